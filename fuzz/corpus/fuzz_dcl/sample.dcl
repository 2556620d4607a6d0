// LANGUAGES: english;german
// Dialogs of the drwlink2 plug-in's options command (C:MOXIoptions), one set
// per language: drwlink2_<base>_<language> with the bases opt (settings),
// load and save (named configurations), color and ltype (pick lists).
// Only the dialog names and the tile keys are fixed; labels and layout are
// free. Code page: Windows-1252.

drwlink2_opt_english : dialog {
  label = "MOXIsolutions 2D options";
  : boxed_column {
    label = "Line style";
    : row {
      : text { label = "Line style"; width = 18; }
      : text { label = "Layer"; width = 18; }
      : text { label = "Linetype"; width = 22; }
      : text { label = "Colour"; width = 20; }
    }
    : row {
      : text { label = "Solid heavy"; width = 18; }
      : edit_box { key = "layer_solidheavy"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_solidheavy"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_solidheavy"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_solidheavy"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_solidheavy"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Solid light"; width = 18; }
      : edit_box { key = "layer_solidlight"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_solidlight"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_solidlight"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_solidlight"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_solidlight"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Hidden"; width = 18; }
      : edit_box { key = "layer_hidden"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_hidden"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_hidden"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_hidden"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_hidden"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Centre"; width = 18; }
      : edit_box { key = "layer_center"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_center"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_center"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_center"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_center"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Heavy dash-dot"; width = 18; }
      : edit_box { key = "layer_heavydashdot"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_heavydashdot"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_heavydashdot"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_heavydashdot"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_heavydashdot"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Hatch"; width = 18; }
      : edit_box { key = "layer_hatch"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_hatch"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_hatch"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_hatch"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_hatch"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Cosmetic"; width = 18; }
      : edit_box { key = "layer_cosm"; edit_width = 16; edit_limit = 99; }
      : spacer { width = 22; }
      : spacer { width = 20; }
    }
  }
  : boxed_column {
    label = "Exchange files";
    : edit_box { key = "METAXCHGNAME"; label = "2D metafile"; edit_width = 48; edit_limit = 99; }
    : edit_box { key = "SATXCHGNAME"; label = "SAT file"; edit_width = 48; edit_limit = 99; }
    : edit_box { key = "SATVERSION"; label = "SAT version"; edit_width = 8; edit_limit = 99; }
  }
  : row {
    : button { key = "load"; label = "Load..."; }
    : button { key = "save"; label = "Save..."; }
  }
  ok_cancel;
}

drwlink2_load_english : dialog {
  label = "Load configuration";
  : list_box { key = "cfglist"; label = "Configurations:"; width = 40; height = 12; }
  ok_cancel;
}

drwlink2_save_english : dialog {
  label = "Save configuration";
  : edit_box { key = "cfgname"; label = "Name:"; edit_width = 32; edit_limit = 99; }
  ok_cancel;
}

drwlink2_color_english : dialog {
  label = "Choose colour";
  : list_box { key = "vallist"; label = "Colours:"; width = 32; height = 14; }
  ok_cancel;
}

drwlink2_ltype_english : dialog {
  label = "Choose linetype";
  : list_box { key = "vallist"; label = "Linetypes:"; width = 32; height = 14; }
  ok_cancel;
}

drwlink2_opt_german : dialog {
  label = "MOXIsolutions 2D-Optionen";
  : boxed_column {
    label = "Linienstil";
    : row {
      : text { label = "Linienstil"; width = 18; }
      : text { label = "Layer"; width = 18; }
      : text { label = "Linientyp"; width = 22; }
      : text { label = "Farbe"; width = 20; }
    }
    : row {
      : text { label = "Volllinie breit"; width = 18; }
      : edit_box { key = "layer_solidheavy"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_solidheavy"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_solidheavy"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_solidheavy"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_solidheavy"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Volllinie schmal"; width = 18; }
      : edit_box { key = "layer_solidlight"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_solidlight"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_solidlight"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_solidlight"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_solidlight"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Verdeckt"; width = 18; }
      : edit_box { key = "layer_hidden"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_hidden"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_hidden"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_hidden"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_hidden"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Mittellinie"; width = 18; }
      : edit_box { key = "layer_center"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_center"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_center"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_center"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_center"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Strichpunkt breit"; width = 18; }
      : edit_box { key = "layer_heavydashdot"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_heavydashdot"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_heavydashdot"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_heavydashdot"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_heavydashdot"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Schraffur"; width = 18; }
      : edit_box { key = "layer_hatch"; edit_width = 16; edit_limit = 99; }
      : edit_box { key = "ltype_hatch"; edit_width = 16; edit_limit = 99; }
      : button { key = "ltbut_hatch"; label = "..."; fixed_width = true; }
      : edit_box { key = "lcolor_hatch"; edit_width = 14; edit_limit = 99; }
      : button { key = "clbut_hatch"; label = "..."; fixed_width = true; }
    }
    : row {
      : text { label = "Kosmetisch"; width = 18; }
      : edit_box { key = "layer_cosm"; edit_width = 16; edit_limit = 99; }
      : spacer { width = 22; }
      : spacer { width = 20; }
    }
  }
  : boxed_column {
    label = "Austauschdateien";
    : edit_box { key = "METAXCHGNAME"; label = "2D-Metadatei"; edit_width = 48; edit_limit = 99; }
    : edit_box { key = "SATXCHGNAME"; label = "SAT-Datei"; edit_width = 48; edit_limit = 99; }
    : edit_box { key = "SATVERSION"; label = "SAT-Version"; edit_width = 8; edit_limit = 99; }
  }
  : row {
    : button { key = "load"; label = "Laden..."; }
    : button { key = "save"; label = "Speichern..."; }
  }
  ok_cancel;
}

drwlink2_load_german : dialog {
  label = "Konfiguration laden";
  : list_box { key = "cfglist"; label = "Konfigurationen:"; width = 40; height = 12; }
  ok_cancel;
}

drwlink2_save_german : dialog {
  label = "Konfiguration speichern";
  : edit_box { key = "cfgname"; label = "Name:"; edit_width = 32; edit_limit = 99; }
  ok_cancel;
}

drwlink2_color_german : dialog {
  label = "Farbe wählen";
  : list_box { key = "vallist"; label = "Farben:"; width = 32; height = 14; }
  ok_cancel;
}

drwlink2_ltype_german : dialog {
  label = "Linientyp wählen";
  : list_box { key = "vallist"; label = "Linientypen:"; width = 32; height = 14; }
  ok_cancel;
}
