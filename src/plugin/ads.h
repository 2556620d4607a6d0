// The drafting host's programming interface as the plug-in sees it: result
// buffers, names, points, matrices, result and type codes, and the host
// functions. The host provides these symbols when it loads the plug-in; the
// plug-in library itself leaves them undefined.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Result codes.
#define RTNORM 5100
#define RTERROR (-5001)
#define RTCAN (-5002)

// Type codes of result buffers; entity groups go by their DXF group code.
#define RTNONE 5000
#define RTREAL 5001
#define RTPOINT 5002
#define RTSHORT 5003
#define RTANG 5004
#define RTSTR 5005
#define RTENAME 5006
#define RTPICKS 5007
#define RT3DPOINT 5009
#define RTLONG 5010
#define RTDXF0 5020

// Application messages sent to acrxEntryPoint.
#define ACRX_INIT_APP_MSG 1
#define ACRX_UNLOAD_APP_MSG 2
#define ACRX_LOAD_DWG_MSG 3
#define ACRX_UNLOAD_DWG_MSG 4
#define ACRX_INVK_SUBR_MSG 5

typedef double ads_real;
typedef ads_real ads_point[3];
typedef int32_t ads_name[2];
typedef ads_real ads_matrix[4][4];

struct ads_binary {
  short clen;
  char* buf;
};

union ads_u_val {
  ads_real rreal;
  ads_real rpoint[3];
  short rint;
  char* rstring;
  int32_t rlname[2];
  int32_t rlong;
  struct ads_binary rbinary;
};

struct resbuf {
  struct resbuf* rbnext;
  short restype;
  union ads_u_val resval;
};

// Host functions. Every function returning int answers RTNORM on success and
// RTERROR (or RTCAN for a cancelled prompt) otherwise, unless noted.

// Allows the host to unload the application later; 0 when the packet is unknown.
int acrxUnlockApplication(void* appPacket);

// Registers an external function (a command when the name starts with "C:").
int ads_defun(const char* name, short code);
// Code of the external function being invoked; negative outside an invocation.
int ads_getfuncode(void);
// Copy of the invoking AutoLISP call's arguments (free with ads_relrb); NULL when none.
struct resbuf* ads_getargs(void);

// Variadic lists of ads_command and ads_buildlist are (type, value) pairs ending
// with RTNONE or 0. The value's C type follows the type code: strings const
// char*, reals double, points const ads_real*, 16-bit integers int, 32-bit
// integers int32_t, entity and selection-set names const int32_t*.

// Runs a host command to its end.
int ads_command(int rtype, ...);
// Reads a system variable into *result; RTERROR for an unknown variable.
int ads_getvar(const char* name, struct resbuf* result);

// Prints on the command line; returns the number of bytes printed.
int ads_printf(const char* format, ...);
// Shows a modal alert box.
int ads_alert(const char* text);

// Builds a result-buffer chain from (type, value) pairs ending with RTNONE or 0; NULL on a bad
// type.
struct resbuf* ads_buildlist(int rtype, ...);
// Frees a result-buffer chain and its strings.
int ads_relrb(struct resbuf* rb);

// Creates an entity from its group list.
int ads_entmake(const struct resbuf* list);
// Name of the drawing's last main entity; RTERROR when the drawing is empty.
int ads_entlast(ads_name result);
// Next entity after ent (the first one when ent is NULL); RTERROR at the end.
int ads_entnext(const ads_name ent, ads_name result);
// The entity's group list (free with ads_relrb); NULL for an unknown name.
struct resbuf* ads_entget(const ads_name ent);
// Next record of the symbol table LAYER, LTYPE or BLOCK (rewind != 0 starts over); NULL at the end.
struct resbuf* ads_tblnext(const char* table, int rewind);
// The record of that name (compared ignoring case) in LAYER, LTYPE or BLOCK; NULL
// when there is none. setnext != 0 makes the next ads_tblnext go on after it.
struct resbuf* ads_tblsearch(const char* table, const char* name, int setnext);

// Lets the user pick an entity; RTCAN on Escape, RTERROR when nothing was hit.
int ads_entsel(const char* prompt, ads_name entity, ads_point pick);
// Asks for an integer; RTNONE for an empty answer, RTCAN on Escape.
int ads_getint(const char* prompt, int* result);
// Asks for an angle (radians); RTNONE for an empty answer, RTCAN on Escape.
int ads_getorient(const ads_point base, const char* prompt, ads_real* result);
// Drags a selection set, calling back with each cursor point; RTNONE, RTCAN as above.
int ads_draggen(const ads_name set, const char* prompt, int cursor,
                int (*callback)(ads_point cursor, ads_matrix matrix), ads_point result);
// Intersection of the lines from1-to1 and from2-to2 (segments when testEnds); RTNONE when parallel.
int ads_inters(const ads_point from1, const ads_point to1, const ads_point from2,
               const ads_point to2, int testEnds, ads_point result);

// Adds an entity to a set; with set NULL creates a new one (empty when entity is NULL too).
int ads_ssadd(const ads_name entity, const ads_name set, ads_name result);
// Releases a selection set.
int ads_ssfree(const ads_name set);
// Applies a 4x4 matrix (row-major, translation in the fourth column) to every entity of a set.
int ads_xformss(const ads_name set, ads_matrix matrix);

// Dialogs from DCL files. The callback packet tells which tile fired (its
// key), the tile's value and the client data bound to it.
#define DLGCANCEL 0             // status of ads_start_dialog after Cancel
#define DLGOK 1                 // after OK
#define LIST_CHANGE ((short)1)  // ads_start_list: replace the item at index
#define LIST_APPEND ((short)2)  // add items at the end
#define LIST_NEW ((short)3)     // clear the list first
#define CBR_SELECT 1            // callback reason: the tile was chosen
typedef void* ads_hdlg;
typedef struct {
  ads_hdlg dialog;
  char* tile;
  char* value;
  void* client_data;
  int reason;
  long x, y;
} ads_callback_packet;
typedef void (*CLIENTFUNC)(ads_callback_packet* packet);

// Loads a DCL file; RTERROR (and a negative id) when it cannot be read.
int ads_load_dialog(const char* file, int* dclId);
// Forgets a loaded DCL file; RTERROR for an unknown id.
int ads_unload_dialog(int dclId);
// Creates the named dialog of a loaded file; RTERROR (and a null handle) when it has none.
int ads_new_dialog(const char* name, int dclId, CLIENTFUNC defaultCallback, ads_hdlg* dialog);
// Shows the dialog until ads_done_dialog or Cancel; the handle is invalid afterwards.
int ads_start_dialog(ads_hdlg dialog, int* status);
// Closes the dialog with the status that ads_start_dialog returns.
int ads_done_dialog(ads_hdlg dialog, int status);
// Tile access by key; RTERROR for an unknown dialog or key. ads_get_tile copies
// at most maxLength - 1 bytes and a terminating zero (a list tile's value is
// its selected index as text).
int ads_set_tile(ads_hdlg dialog, const char* key, const char* value);
int ads_get_tile(ads_hdlg dialog, const char* key, char* value, int maxLength);
// Binds a callback or client data to a tile; RTERROR for an unknown dialog or key.
int ads_action_tile(ads_hdlg dialog, const char* key, CLIENTFUNC callback);
int ads_client_data_tile(ads_hdlg dialog, const char* key, void* data);
// Fills a list tile: ads_start_list, ads_add_list per item, ads_end_list; RTERROR out of order.
int ads_start_list(ads_hdlg dialog, const char* key, short operation, short index);
int ads_add_list(const char* item);
int ads_end_list(void);

// Exported by the plug-in.

// Handles the host's application messages; always 0.
int acrxEntryPoint(int message, void* packet);
// The interface version the plug-in was built for: 0x000E0000.
int acrxGetApiVersion(void);
// Runtime start-up hook; always 0.
int _SetacrxPtp(void);

#ifdef __cplusplus
}
#endif
