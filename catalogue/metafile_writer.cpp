#include "metafile_writer.h"

#include <cmath>
#include <cstdio>

#include "meta/reader.h"
#include "numeric/math.h"

namespace moxi {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string formatNumber(double v) {
  if (std::fabs(v) < 1e-9) v = 0;  // no "-0" or 1e-17 noise in the file
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

}  // namespace

Point polar(Point centre, double radius, double degrees) {
  double a = degrees * kPi / 180.0;
  return {centre.x + radius * numeric::cos(a), centre.y + radius * numeric::sin(a)};
}

MetaNode* MetaNode::add(Kind kind) {
  MetaNode* n = file_->make();
  n->kind_ = kind;
  children_.push_back(n);
  return n;
}

MetaNode* MetaNode::key(const std::string& name) {
  MetaNode* n = add(Kind::Key);
  n->text_ = name;
  return n;
}

MetaNode* MetaNode::number(double value) {
  MetaNode* n = add(Kind::Number);
  n->value_ = value;
  return n;
}

MetaNode* MetaNode::string(const std::string& text) {
  MetaNode* n = add(Kind::String);
  n->text_ = text;
  return n;
}

MetaNode* MetaNode::attribute(const std::string& name, double value) {
  MetaNode* n = key(name);
  n->number(value);
  return n;
}

MetaNode* MetaNode::attribute(const std::string& name, const std::string& text) {
  MetaNode* n = key(name);
  n->string(text);
  return n;
}

MetaNode* MetaNode::point(Point p) {
  MetaNode* n = key("POINT");
  n->number(p.x);
  n->number(p.y);
  return n;
}

MetaNode* MetaNode::reference(const MetaNode* target) {
  MetaNode* n = key("MOREF");
  MetaNode* trg = n->key("REFTRG");
  MetaNode* value = trg->add(Kind::Reference);
  value->target_ = target;
  return n;
}

MetaNode* MetaFile::make() {
  nodes_.push_back(MetaNode(this));
  return &nodes_.back();
}

MetaNode* MetaFile::root(const std::string& name) {
  root_ = make();
  root_->text_ = name;
  return root_;
}

std::string MetaFile::text() {
  if (!root_) return "";
  // Pre-order numbers, 1 for the root: every key, number and string counts.
  long counter = 0;
  std::vector<MetaNode*> stack{root_};
  while (!stack.empty()) {
    MetaNode* n = stack.back();
    stack.pop_back();
    n->number_ = ++counter;
    for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) stack.push_back(*it);
  }
  std::string out;
  auto write = [&](auto&& self, const MetaNode* n, int depth) -> void {
    switch (n->kind_) {
      case MetaNode::Kind::Number:
        out += formatNumber(n->value_);
        return;
      case MetaNode::Kind::String:
        out += metaQuoteString(n->text_);
        return;
      case MetaNode::Kind::Reference:
        out += std::to_string(n->target_ ? n->target_->number_ : 0);
        return;
      case MetaNode::Kind::Key:
        break;
    }
    out += n->text_;
    if (n->children_.empty()) return;
    // Sections of sections go on lines of their own; short ones stay inline.
    bool nested = false;
    for (const MetaNode* c : n->children_)
      if (!c->children_.empty() && c->children_.front()->kind_ == MetaNode::Kind::Key)
        nested = true;
    out += " {";
    for (const MetaNode* c : n->children_) {
      if (nested) {
        out += '\n';
        out.append(static_cast<std::size_t>(depth + 1) * 2, ' ');
      } else {
        out += ' ';
      }
      self(self, c, depth + 1);
    }
    if (nested) {
      out += '\n';
      out.append(static_cast<std::size_t>(depth) * 2, ' ');
    } else {
      out += ' ';
    }
    out += '}';
  };
  write(write, root_, 0);
  return out + '\n';
}

FigureBuilder::FigureBuilder(MetaNode* figure, const std::string& name, int view, Point insert,
                             double rotation) {
  figure_ = figure;
  figure_->attribute("NAME", name);
  figure_->attribute("ANSICHTNO", view);
  figure_->attribute("GROUP", std::string("YES"));
  MetaNode* ins = figure_->key("INSERTPOINT");
  ins->point(insert);
  ins->attribute("ROTATION", rotation);
  figure_->key("FIGUREPREFS")->attribute("UNITBASE", 1);
  items_ = figure_->key("FIGURITEMS");
}

void FigureBuilder::style(Style s) {
  MetaNode* a = items_->key("SHAPEATTR");
  int type = 0, width = 2, cosmetic = 0;
  switch (s) {
    case Style::Heavy:
      break;
    case Style::Thin:
      width = 1;
      break;
    case Style::Hidden:
      type = 1;
      width = 1;
      break;
    case Style::Centre:
      type = 2;
      width = 1;
      break;
    case Style::Cosmetic:
      width = 1;
      cosmetic = 1;
      break;
  }
  a->attribute("SHAPETYP", type);
  a->attribute("SHAPEWIDTH", width);
  a->attribute("COSMETIC", cosmetic);
}

MetaNode* FigureBuilder::line(Point a, Point b) {
  MetaNode* n = items_->key("LINE");
  n->point(a);
  n->point(b);
  return n;
}

std::vector<MetaNode*> FigureBuilder::polyline(const std::vector<Point>& points) {
  std::vector<MetaNode*> lines;
  for (std::size_t i = 1; i < points.size(); ++i) lines.push_back(line(points[i - 1], points[i]));
  return lines;
}

std::vector<MetaNode*> FigureBuilder::polygon(const std::vector<Point>& points) {
  std::vector<MetaNode*> lines = polyline(points);
  if (points.size() > 1) lines.push_back(line(points.back(), points.front()));
  return lines;
}

MetaNode* FigureBuilder::arc(Point start, Point middle, Point end) {
  MetaNode* n = items_->key("ARC");
  n->point(start);
  n->point(middle);
  n->point(end);
  return n;
}

MetaNode* FigureBuilder::arcAbout(Point centre, double radius, double a1, double a2) {
  while (a2 <= a1) a2 += 360;
  return arc(polar(centre, radius, a1), polar(centre, radius, (a1 + a2) / 2),
             polar(centre, radius, a2));
}

MetaNode* FigureBuilder::circle(Point centre, double radius) {
  MetaNode* n = items_->key("CIRCLE");
  n->point(centre);
  n->attribute("RAD", radius);
  return n;
}

MetaNode* FigureBuilder::curve(const std::vector<Point>& points) {
  MetaNode* n = items_->key("ICRV2D");
  for (Point p : points) n->point(p);
  return n;
}

MetaNode* FigureBuilder::text(const std::string& text, Point at, double height, int relPos,
                              double angle) {
  MetaNode* n = items_->key("TEXT");
  n->attribute("TEXT", text);
  n->point(at);
  n->attribute("HEIGHT", height);
  n->attribute("ANGLE", angle);
  n->attribute("TEXTRELPOS", relPos);
  n->attribute("TEXTALIGN", 1);
  return n;
}

void FigureBuilder::hatch(double angle, double distance,
                          const std::vector<std::vector<MetaNode*>>& loops) {
  if (!hatches_) hatches_ = figure_->key("M2DHATCHES");
  MetaNode* h = hatches_->key("M2DHATCH");
  h->attribute("ANGLE", angle);
  h->attribute("DISTANCE", distance);
  MetaNode* list = h->key("M2DHATCHLOOPS");
  for (const auto& loop : loops) {
    MetaNode* refs = list->key("M2DHATCHLOOP")->key("M2DHATCHLOOPSHREFS");
    for (const MetaNode* shape : loop) refs->reference(shape);
  }
}

}  // namespace moxi
