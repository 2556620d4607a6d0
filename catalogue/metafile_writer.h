// A small writer for METAV2 metafiles: the file is built as a tree of nodes
// (keys, numbers, strings) and written in one go, so that hatch boundary
// references (MOREF { REFTRG { n } }) get the pre-order number of their target
// node in the whole file without anyone counting by hand.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace moxi {

struct Point {
  double x = 0;
  double y = 0;
};

class MetaNode {
 public:
  enum class Kind { Key, Number, String, Reference };

  // Appends children; each returns the new child.
  MetaNode* key(const std::string& name);
  MetaNode* number(double value);
  MetaNode* string(const std::string& text);
  // KEY { value } attributes.
  MetaNode* attribute(const std::string& name, double value);
  MetaNode* attribute(const std::string& name, const std::string& text);
  // POINT { x y }.
  MetaNode* point(Point p);
  // MOREF { REFTRG { number of target } }.
  MetaNode* reference(const MetaNode* target);

 private:
  friend class MetaFile;
  explicit MetaNode(class MetaFile* file) : file_(file) {}
  MetaNode* add(Kind kind);

  MetaFile* file_;
  Kind kind_ = Kind::Key;
  std::string text_;
  double value_ = 0;
  const MetaNode* target_ = nullptr;
  std::vector<MetaNode*> children_;
  long number_ = 0;
};

class MetaFile {
 public:
  // The first top-level node (DRAWING or FIGURE).
  MetaNode* root(const std::string& name);
  // The whole file text.
  std::string text();

 private:
  friend class MetaNode;
  MetaNode* make();
  std::deque<MetaNode> nodes_;
  MetaNode* root_ = nullptr;
};

// The line attributes of the shapes that follow.
enum class Style { Heavy, Thin, Hidden, Centre, Cosmetic };

// The items and hatches of one figure, with helpers for the shapes.
class FigureBuilder {
 public:
  // Fills the FIGURE node with NAME, ANSICHTNO, GROUP "YES", INSERTPOINT,
  // FIGUREPREFS and an empty FIGURITEMS.
  FigureBuilder(MetaNode* figure, const std::string& name, int view, Point insert,
                double rotation = 0);

  void style(Style s);
  MetaNode* line(Point a, Point b);
  // Lines through the points in order; the lines in order.
  std::vector<MetaNode*> polyline(const std::vector<Point>& points);
  // The same closed back to the first point.
  std::vector<MetaNode*> polygon(const std::vector<Point>& points);
  // Start, a point between, end.
  MetaNode* arc(Point start, Point middle, Point end);
  // Counter-clockwise from angle a1 to a2 (degrees) about the centre.
  MetaNode* arcAbout(Point centre, double radius, double a1, double a2);
  MetaNode* circle(Point centre, double radius);
  MetaNode* curve(const std::vector<Point>& points);
  MetaNode* text(const std::string& text, Point at, double height, int relPos = 7,
                 double angle = 0);
  // A hatch of one or more loops, each a list of boundary shapes in order.
  // The hatch lines run at `angle` + 45 degrees (0 gives the usual 45 degree
  // section lines), `distance` apart.
  void hatch(double angle, double distance, const std::vector<std::vector<MetaNode*>>& loops);

 private:
  MetaNode* figure_;
  MetaNode* items_;
  MetaNode* hatches_ = nullptr;
};

// Points on a circle, degrees counter-clockwise.
Point polar(Point centre, double radius, double degrees);

}  // namespace moxi
