// The generator builds the tree first, numbers it in pre-order (so MOREF can
// name its targets) and then writes it in both syntaxes.
#include "metafile_generator.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "meta/reader.h"

namespace {

struct GNode {
  enum Kind { ident, string, number } kind;
  std::string text;  // identifier, string, or the number as written
  std::vector<int> children;
  int refTarget = -1;  // for REFTRG values: the node referred to
};

class Builder {
 public:
  std::vector<GNode> nodes;

  int add(int parent, GNode::Kind kind, std::string text) {
    nodes.push_back(GNode{kind, std::move(text), {}, -1});
    int id = static_cast<int>(nodes.size()) - 1;
    if (parent >= 0) nodes[parent].children.push_back(id);
    return id;
  }
  int key(int parent, const char* k) { return add(parent, GNode::ident, k); }
  void num(int parent, double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    // Trim trailing zeros the way catalogue output looks.
    std::string s = buf;
    while (s.size() > 1 && s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    add(parent, GNode::number, s);
  }
  void attr(int parent, const char* k, double v) { num(key(parent, k), v); }
  void str(int parent, const char* k, const std::string& v) {
    add(key(parent, k), GNode::string, v);
  }
  void point(int parent, double x, double y) {
    int p = key(parent, "POINT");
    num(p, x);
    num(p, y);
  }
};

// Pre-order numbers, 1-based, over the whole file.
void number(const std::vector<GNode>& nodes, int id, std::vector<int>& out, int& next) {
  out[id] = ++next;
  for (int c : nodes[id].children) number(nodes, c, out, next);
}

void writeMeta(const std::vector<GNode>& nodes, const std::vector<int>& pre, int id, int depth,
               std::string& out) {
  const GNode& n = nodes[id];
  if (n.refTarget >= 0) {
    out += std::to_string(pre[n.refTarget]);
  } else if (n.kind == GNode::string) {
    out += metaQuoteString(n.text);
  } else {
    out += n.text;
  }
  if (n.children.empty()) return;
  bool leafs = true;
  for (int c : n.children) leafs = leafs && nodes[c].children.empty();
  if (leafs) {
    out += " {";
    for (int c : n.children) {
      out += ' ';
      writeMeta(nodes, pre, c, depth + 1, out);
    }
    out += " }";
    return;
  }
  out += " {\n";
  for (int c : n.children) {
    out.append(2 * (depth + 1), ' ');
    writeMeta(nodes, pre, c, depth + 1, out);
    out += '\n';
  }
  out.append(2 * depth, ' ');
  out += '}';
}

void writeJson(const std::vector<GNode>& nodes, const std::vector<int>& pre, int id,
               std::string& out) {
  const GNode& n = nodes[id];
  if (n.kind == GNode::ident) {
    out += "{\"";
    out += n.text;
    out += "\":[";
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      if (i) out += ',';
      writeJson(nodes, pre, n.children[i], out);
    }
    out += "]}";
  } else if (n.refTarget >= 0) {
    out += std::to_string(pre[n.refTarget]);
  } else if (n.kind == GNode::string) {
    // The texts hold no other control characters, so the metafile escapes
    // are valid JSON escapes as well.
    out += metaQuoteString(n.text);
  } else {
    out += n.text;
  }
}

GeneratedDocument document(const Builder& b, int root) {
  std::vector<int> pre(b.nodes.size());
  int next = 0;
  number(b.nodes, root, pre, next);
  GeneratedDocument doc;
  doc.nodes = b.nodes.size();
  writeMeta(b.nodes, pre, root, 0, doc.metafile);
  doc.metafile += '\n';
  doc.json = "[";
  writeJson(b.nodes, pre, root, doc.json);
  doc.json += "]\n";
  return doc;
}

}  // namespace

GeneratedDocument generateLines(std::size_t lines, int range, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(-range, range);
  GeneratedDocument doc;
  doc.metafile =
      "DRAWING {\nNAME { \"Generated lines\" }\nDRAWINGITEMS {\nFIGURE {\n"
      "NAME { \"Lines\" }\nINSERTPOINT { POINT { 0 0 } }\nFIGURITEMS {\n";
  doc.nodes = 14;
  char line[96];
  for (std::size_t i = 0; i < lines; ++i) {
    const int x = coord(rng), y = coord(rng);
    std::snprintf(line, sizeof line, "LINE{POINT{%d %d}POINT{%d %d}}\n", x, y, x + coord(rng) / 10,
                  y + coord(rng) / 10);
    doc.metafile += line;
    doc.nodes += 7;
  }
  doc.metafile += "}\n}\n}\n}\n";
  return doc;
}

GeneratedDocument generateDrawing(std::size_t shapes, unsigned seed, std::size_t perFigure) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> coord(-500.0, 500.0);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Builder b;
  int root = b.key(-1, "DRAWING");
  b.str(root, "NAME", "Generated assembly drawing");
  b.attr(root, "ANSICHTNO", 0);
  int items = b.key(root, "DRAWINGITEMS");

  std::size_t made = 0;
  int figureNo = 0;
  while (made < shapes) {
    int fig = b.key(items, "FIGURE");
    b.str(fig, "NAME", "View " + std::to_string(++figureNo));
    b.attr(fig, "ANSICHTNO", figureNo);
    b.str(fig, "GROUP", figureNo % 2 ? "YES" : "NO");
    int ins = b.key(fig, "INSERTPOINT");
    b.point(ins, coord(rng), coord(rng));
    b.attr(ins, "ROTATION", figureNo % 4 * 90.0);
    int fi = b.key(fig, "FIGURITEMS");
    std::vector<int> shapeNodes;
    std::vector<bool> isText;  // texts cannot bound a hatch
    std::size_t inFigure =
        std::min<std::size_t>(std::max<std::size_t>(perFigure, 1), shapes - made);
    for (std::size_t i = 0; i < inFigure; ++i) {
      double r = unit(rng);
      double x = coord(rng), y = coord(rng);
      if (i % 25 == 0) {
        int a = b.key(fi, "SHAPEATTR");
        b.attr(a, "SHAPETYP", static_cast<int>(unit(rng) * 3));
        b.attr(a, "SHAPEWIDTH", 1 + static_cast<int>(unit(rng) * 2));
        b.attr(a, "COSMETIC", 0);
      }
      int s;
      if (r < 0.5) {
        s = b.key(fi, "LINE");
        b.point(s, x, y);
        b.point(s, x + coord(rng) / 10, y + coord(rng) / 10);
      } else if (r < 0.65) {
        s = b.key(fi, "ARC");
        b.point(s, x, y);
        b.point(s, x + 3.5, y + 1.25);
        b.point(s, x + 5, y);
      } else if (r < 0.85) {
        s = b.key(fi, "CIRCLE");
        b.point(s, x, y);
        b.attr(s, "RAD", 1 + unit(rng) * 20);
      } else if (r < 0.93) {
        s = b.key(fi, "ELLIPSE");
        b.point(s, x, y);
        b.attr(s, "RAD1", 10 + unit(rng) * 5);
        b.attr(s, "RAD2", 2 + unit(rng) * 5);
        b.attr(s, "ANGLE", unit(rng) * 360);
      } else {
        s = b.key(fi, "TEXT");
        b.str(s, "TEXT", "Pos. " + std::to_string(i) + "\nDIN 912 M8x25");
        b.point(s, x, y);
        b.attr(s, "HEIGHT", 3.5);
        b.attr(s, "ANGLE", 0);
        b.attr(s, "TEXTRELPOS", 7);
      }
      shapeNodes.push_back(s);
      isText.push_back(r >= 0.93);
    }
    made += inFigure;
    // A hatch per 50 shapes, each bounded by 4 to 8 shapes (no texts) of the figure.
    int hatches = b.key(fig, "M2DHATCHES");
    for (std::size_t h = 0; h + 50 <= shapeNodes.size(); h += 50) {
      int hatch = b.key(hatches, "M2DHATCH");
      b.attr(hatch, "ANGLE", 45);
      b.attr(hatch, "DISTANCE", 2.5);
      int loops = b.key(hatch, "M2DHATCHLOOPS");
      int loop = b.key(loops, "M2DHATCHLOOP");
      int refs = b.key(loop, "M2DHATCHLOOPSHREFS");
      int n = 4 + static_cast<int>(unit(rng) * 5);
      for (std::size_t k = h; n > 0 && k < h + 50; ++k) {
        if (isText[k]) continue;
        int moref = b.key(refs, "MOREF");
        int trg = b.key(moref, "REFTRG");
        int v = b.add(trg, GNode::number, "");
        b.nodes[v].refTarget = shapeNodes[k];
        --n;
      }
    }
  }

  return document(b, root);
}
