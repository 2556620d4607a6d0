// The drawing database of the host: symbol tables (LAYER, LTYPE, BLOCK), model
// space, block definitions and entities stored as group lists with handles.
// Strings are Windows-1252; table and entry names compare without regard to case.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "geometry.h"
#include "groups.h"

namespace drafthost {

using EntityId = uint32_t;  // 1-based, 0 = none

// Second word of an entity name and of a selection-set name, so that a name of
// one kind is never taken for the other or for garbage.
constexpr int32_t kEntityTag = 0x454E5459;
constexpr int32_t kSetTag = 0x53534554;

// An entity as the drawing keeps it. Its groups are packed into the drawing's
// memory (read them with Drawing::groups): a million LINEs as vectors of Group
// would take most of the memory of a large import.
struct Entity {
  EntityId id = 0;
  uint32_t handleNumber = 0;  // the handle's number (see handle())
  std::string_view type;      // "LINE", "VERTEX", ... (text the drawing keeps)
  uint32_t space = 0;         // 0 model space, else block index + 1
  EntityId parent = 0;        // owning POLYLINE of a VERTEX or SEQEND
  uint32_t childCount = 0;    // VERTEX and SEQEND entities of a POLYLINE
  // The groups after group 0, packed (see Drawing::pack).
  uint32_t packedSize = 0;
  const unsigned char* packed = nullptr;

  // The handle text: the number in upper-case hexadecimal. Kept as a number
  // so that a drawing of a million entities does not hold a million strings.
  std::string handle() const;
  // The ids of a POLYLINE's VERTEX and SEQEND entities: a sequence enters the
  // drawing as a whole, so they are the ids right after the POLYLINE's own.
  // (A plain range: the fuzz targets build with clang 14, which cannot
  // compile libstdc++ 12's iota_view.)
  struct IdRange {
    struct Iterator {
      EntityId id;
      EntityId operator*() const { return id; }
      Iterator& operator++() {
        ++id;
        return *this;
      }
      bool operator!=(const Iterator& other) const { return id != other.id; }
    };
    EntityId first, last;
    Iterator begin() const { return {first}; }
    Iterator end() const { return {last}; }
  };
  IdRange children() const { return {id + 1, id + 1 + childCount}; }
};

struct LayerRecord {
  std::string name;
  std::string handle;
  int color = 7;
  std::string linetype = "CONTINUOUS";
};

struct LinetypeRecord {
  std::string name;
  std::string handle;
  std::string description;
  std::vector<double> pattern;  // dash lengths; empty for a solid line
};

struct BlockRecord {
  std::string name;
  std::string handle;
  Point base{};
};

// Records in creation order with a case-insensitive index by name.
template <class Record>
class SymbolTable {
 public:
  // The record of that name, or nullptr.
  const Record* find(const std::string& name) const;
  Record* find(const std::string& name);
  // Index of the record, or -1.
  int indexOf(const std::string& name) const;
  // Adds a record whose name is not taken; returns its index.
  int add(Record record);
  const std::vector<Record>& records() const { return records_; }

 private:
  std::vector<Record> records_;
  std::unordered_map<std::string, int> index_;
  // The name last found, as it was asked for: entity after entity names the
  // same layer and linetype. Records are never removed, so it stays true.
  mutable std::string lastName_;
  mutable int lastIndex_ = -1;
};

// Lower-case copy (ASCII letters only, as the host folds names).
std::string foldCase(const std::string& text);
// Whether a name may be given to a layer, linetype or block.
bool validSymbolName(const std::string& name);

class Drawing {
 public:
  Drawing();

  SymbolTable<LayerRecord>& layers() { return layers_; }
  SymbolTable<LinetypeRecord>& linetypes() { return linetypes_; }
  SymbolTable<BlockRecord>& blocks() { return blocks_; }
  const SymbolTable<LayerRecord>& layers() const { return layers_; }
  const SymbolTable<LinetypeRecord>& linetypes() const { return linetypes_; }
  const SymbolTable<BlockRecord>& blocks() const { return blocks_; }

  // Name of the layer new entities go to when they name none.
  const std::string& currentLayer() const { return currentLayer_; }

  // Adds a layer with the host's defaults; false for a bad or taken name.
  bool addLayer(const std::string& name);

  // Checks and adds an entity list (group 0 as 0 or 5020). POLYLINE, VERTEX and
  // SEQEND form one sequence that enters the drawing with its SEQEND. On refusal
  // *error says why and the drawing is unchanged.
  bool entmake(GroupList list, std::string* error);
  // entmake for the lists an import makes by the thousand (a LINE, ARC,
  // CIRCLE or 3DSOLID outside a sequence, on a known layer): read, checked
  // and packed straight from the result-buffer chain. false for any other
  // list and for one that fails a check; the drawing is then unchanged, and
  // entmake on the list's groups does the work and says what is wrong.
  bool entmakeQuick(const resbuf* list);
  // Adds an entity the host makes itself (no checks); returns its id.
  EntityId addEntity(const std::string& type, GroupList groups);

  // The entity, or nullptr for an unknown id.
  const Entity* entity(EntityId id) const {
    if (id == 0 || id > entities_.size()) return nullptr;
    return &entities_[id - 1];
  }
  // The entity's groups: group 0 (the type) first, then the groups as made.
  GroupList groups(const Entity& e) const;
  // Last main entity of model space; 0 when there is none.
  EntityId lastMain() const;
  // Next entity (subentities included) in the same space; after 0 gives the
  // first entity of model space; 0 at the end.
  EntityId next(EntityId after) const;
  // Ids of the main entities of a space in drawing order.
  std::vector<EntityId> mainEntities(uint32_t space) const;
  // First main entity of a space; 0 when it has none.
  EntityId firstMain(uint32_t space) const;

  // Defines a block holding the given model-space entities (they leave model
  // space); false when the name is bad or taken.
  bool defineBlock(const std::string& name, const Point& base, const std::vector<EntityId>& ids);

  // Applies the transformation to the entities (with their subentities).
  void transform(const std::vector<EntityId>& ids, const Similarity& xf);

  // Accumulated transformation of a 3DSOLID body (identity for any other
  // entity and for a solid never moved).
  Matrix placement(EntityId id) const;

  // The most recently made model-space entity passing within `distance` of p; 0 if none.
  EntityId pick(const Point& p, double distance) const;

  std::string newHandle();
  // The number the next handle gets (hexadecimal in the handle text).
  uint32_t handleSeed() const { return handleSeed_; }

 private:
  // The entities of a space in ascending id order (the drawing order). An id
  // whose entity has since moved into a block stays behind until the space is
  // compacted (when such ids outnumber the others), so that moving a figure
  // into a block never costs the size of the whole model space.
  struct Space {
    std::vector<EntityId> all;   // main entities and subentities
    std::vector<EntityId> main;  // main entities only
    std::size_t moved = 0;       // ids in `all` whose entity left
  };
  bool inSpace(EntityId id, uint32_t space) const { return entities_[id - 1].space == space; }
  void compact(uint32_t space);
  EntityId store(Entity e);
  // Packs the groups after group 0 into the entity; packValues writes changed
  // values back where they are when the groups are still the same ones.
  void pack(Entity& e, const GroupList& groups);
  void packValues(Entity& e, const GroupList& groups);
  // Transforms the packed values where they are; false for an entity that
  // needs its whole list for that.
  bool transformPacked(Entity& e, const Similarity& xf);
  unsigned char* allocate(std::size_t size);
  // The type name as text the drawing keeps for as long as it lives.
  std::string_view typeName(const std::string& type);
  bool checkEntity(GroupList& groups, const std::string& type, std::string* error);
  double entityDistance(const Entity& e, const Point& p, int depth) const;

  SymbolTable<LayerRecord> layers_;
  SymbolTable<LinetypeRecord> linetypes_;
  SymbolTable<BlockRecord> blocks_;
  // Entities in blocks that double in size (64, 128, 256, ... entities), so
  // a small drawing stays small and a large one never moves its entities.
  class EntityStore {
   public:
    std::size_t size() const { return size_; }
    Entity& operator[](std::size_t i) {
      const Where w = where(i);
      return blocks_[w.block][w.offset];
    }
    const Entity& operator[](std::size_t i) const {
      const Where w = where(i);
      return blocks_[w.block][w.offset];
    }
    Entity& back() { return (*this)[size_ - 1]; }
    void push_back(Entity e) {
      if (size_ == capacity_) {
        const std::size_t n = kFirst << blocks_.size();
        blocks_.push_back(std::make_unique<Entity[]>(n));
        capacity_ += n;
      }
      (*this)[size_++] = std::move(e);
    }

   private:
    static constexpr unsigned kFirstShift = 6;
    static constexpr std::size_t kFirst = std::size_t{1} << kFirstShift;
    struct Where {
      std::size_t block, offset;
    };
    // Block b holds entities from kFirst * (2^b - 1) on.
    static Where where(std::size_t i) {
      const std::size_t b = std::bit_width((i >> kFirstShift) + 1) - 1;
      return {b, i - ((std::size_t{1} << b) - 1) * kFirst};
    }
    std::vector<std::unique_ptr<Entity[]>> blocks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
  };
  EntityStore entities_;
  // Texts of string groups, each kept once (layer and linetype names repeat
  // in nearly every entity).
  class TextPool {
   public:
    uint32_t intern(std::string_view text);
    const std::string& text(uint32_t index) const { return texts_[index]; }

   private:
    uint32_t find(std::string_view text);
    std::deque<std::string> texts_;  // a deque keeps the texts where they are
    std::unordered_map<std::string_view, uint32_t> index_;
    // The texts met last, as views of the kept texts, and their numbers.
    struct Recent {
      std::string_view text;
      uint32_t index = UINT32_MAX;
    };
    std::array<Recent, 4> recent_{};
    std::size_t next_ = 0;
  };
  TextPool texts_;
  // Packed groups, in large blocks.
  std::vector<std::unique_ptr<unsigned char[]>> arena_;
  unsigned char* free_ = nullptr;
  std::size_t freeSize_ = 0;
  // Only the few solids that were moved have a placement: a matrix in every
  // entity would be most of a LINE's memory.
  std::unordered_map<EntityId, Matrix> placements_;
  std::vector<Space> spaces_;  // [0] model space, [i] block i - 1
  std::string currentLayer_ = "0";
  // The layer and linetype names entmakeQuick found last.
  std::string lastLayer_;
  std::string lastLinetype_;
  uint32_t handleSeed_ = 0x20;
  // A POLYLINE sequence being made: header and vertices so far.
  std::vector<Entity> pending_;
};

}  // namespace drafthost
