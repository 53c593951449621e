// AddPdfStructure: Qt's PDF file opened with qpdf and written again with an
// outline, page labels, contents links and deterministic document data.
#include "shell/PdfStructure.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QCryptographicHash>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "base/Units.h"

#ifndef VELDRIS_VERSION
#define VELDRIS_VERSION "0"
#endif

namespace vel {

namespace {

using Object = QPDFObjectHandle;

// Layout units to PDF points.
double Points(int v) { return v * 72.0 / units::kPerInch; }

// "D:YYYYMMDDHHmmSS": the run's clock is local time of no stated zone.
std::string PdfDate(const RunClock& c) {
  char s[32];
  std::snprintf(s, sizeof s, "D:%04d%02d%02d%02d%02d%02d", std::clamp(c.year, 0, 9999), std::clamp(c.month, 1, 12),
                std::clamp(c.day, 1, 31), std::clamp(c.hour, 0, 23), std::clamp(c.minute, 0, 59),
                std::clamp(c.second, 0, 59));
  return s;
}

// The XMP form of the same date.
std::string XmpDate(const RunClock& c) {
  const std::string d = PdfDate(c);
  return d.substr(2, 4) + "-" + d.substr(6, 2) + "-" + d.substr(8, 2) + "T" + d.substr(10, 2) + ":" +
         d.substr(12, 2) + ":" + d.substr(14, 2);
}

std::string XmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A destination: the top of a heading's line on its page, the zoom kept.
Object Destination(Object page, const OutlineHeading& h) {
  const QPDFObjectHandle::Rectangle box = QPDFPageObjectHelper(page).getMediaBox().getArrayAsRectangle();
  return Object::newArray({page, Object::newName("/XYZ"), Object::newReal(box.llx + Points(h.x), 2),
                           Object::newReal(box.ury - Points(h.y), 2), Object::newNull()});
}

// The outline: each heading under the nearest heading before it of a
// lower level, all open. Headings on sheets the file does not hold are
// left out.
void AddOutline(QPDF& pdf, const std::vector<Object>& pages, const PdfStructure& s) {
  struct Node {
    Object item;
    int level = 0;
    int count = 0;  // descendants
    Object first{}, last{};
  };
  std::vector<Node> nodes;
  std::vector<int> parents;  // per node: index of the parent node, -1 the root
  Node root;
  root.level = -1;
  std::vector<int> stack;  // open nodes, innermost last
  for (const OutlineHeading& h : s.outline.headings) {
    const int index = h.sheet - s.firstSheet;
    if (h.sheet > s.lastSheet || index < 0 || index >= static_cast<int>(pages.size())) continue;
    while (!stack.empty() && nodes[size_t(stack.back())].level >= h.level) stack.pop_back();
    Object item = pdf.makeIndirectObject(Object::newDictionary());
    item.replaceKey("/Title", Object::newUnicodeString(cp932ToUtf8(h.title)));
    item.replaceKey("/Dest", Destination(pages[size_t(index)], h));
    Node n;
    n.item = item;
    n.level = h.level;
    nodes.push_back(n);
    parents.push_back(stack.empty() ? -1 : stack.back());
    stack.push_back(static_cast<int>(nodes.size()) - 1);
  }
  if (nodes.empty()) return;
  Object outlines = pdf.makeIndirectObject(Object::newDictionary());
  outlines.replaceKey("/Type", Object::newName("/Outlines"));
  root.item = outlines;
  auto nodeAt = [&](int i) -> Node& { return i < 0 ? root : nodes[size_t(i)]; };
  for (size_t i = 0; i < nodes.size(); ++i) {
    Node& parent = nodeAt(parents[i]);
    Object& item = nodes[i].item;
    item.replaceKey("/Parent", parent.item);
    if (parent.last.isInitialized()) {
      parent.last.replaceKey("/Next", item);
      item.replaceKey("/Prev", parent.last);
    } else {
      parent.first = item;
    }
    parent.last = item;
    for (int p = parents[i]; ; p = parents[size_t(p)]) {
      ++nodeAt(p).count;
      if (p < 0) break;
    }
  }
  for (int i = -1; i < static_cast<int>(nodes.size()); ++i) {
    Node& n = nodeAt(i);
    if (n.count == 0) continue;
    n.item.replaceKey("/First", n.first);
    n.item.replaceKey("/Last", n.last);
    n.item.replaceKey("/Count", Object::newInteger(n.count));
  }
  Object catalog = pdf.getRoot();
  catalog.replaceKey("/Outlines", outlines);
  catalog.replaceKey("/PageMode", Object::newName("/UseOutlines"));
}

// Page labels: a new range wherever the style changes or the numbers do
// not follow on; a sheet without a printed number has an empty label.
void AddPageLabels(size_t pageCount, const PdfStructure& s, Object catalog) {
  Object nums = Object::newArray();
  SheetNumber prev;
  bool any = false;
  for (size_t i = 0; i < pageCount; ++i) {
    const int sheet = s.firstSheet + static_cast<int>(i);
    if (sheet > s.lastSheet || sheet < 1 || sheet > static_cast<int>(s.outline.sheets.size())) break;
    const SheetNumber n = s.outline.sheets[size_t(sheet - 1)];
    const bool follows = any && n.style == prev.style && (n.style == SheetNumber::Style::None || n.number == prev.number + 1);
    prev = n;
    if (follows) continue;
    any = true;
    Object label = Object::newDictionary();
    if (n.style != SheetNumber::Style::None) {
      label.replaceKey("/S", Object::newName(n.style == SheetNumber::Style::Roman ? "/r" : "/D"));
      label.replaceKey("/St", Object::newInteger(n.number));
    }
    nums.appendItem(Object::newInteger(static_cast<long long>(i)));
    nums.appendItem(label);
  }
  if (!any) return;
  Object labels = Object::newDictionary();
  labels.replaceKey("/Nums", nums);
  catalog.replaceKey("/PageLabels", labels);
}

// The contents entries link to their headings' lines.
void AddLinks(QPDF& pdf, const std::vector<Object>& pages, const PdfStructure& s) {
  for (const ContentsLink& k : s.outline.links) {
    if (k.heading < 0 || k.heading >= static_cast<int>(s.outline.headings.size())) continue;
    const OutlineHeading& h = s.outline.headings[size_t(k.heading)];
    const int from = k.sheet - s.firstSheet, to = h.sheet - s.firstSheet;
    const int count = std::min(static_cast<int>(pages.size()), s.lastSheet - s.firstSheet + 1);
    if (from < 0 || from >= count || to < 0 || to >= count) continue;
    Object page = pages[size_t(from)];
    const QPDFObjectHandle::Rectangle box = QPDFPageObjectHelper(page).getMediaBox().getArrayAsRectangle();
    Object link = pdf.makeIndirectObject(Object::newDictionary());
    link.replaceKey("/Type", Object::newName("/Annot"));
    link.replaceKey("/Subtype", Object::newName("/Link"));
    link.replaceKey("/Rect", Object::newArray({Object::newReal(box.llx + Points(k.left), 2),
                                                Object::newReal(box.ury - Points(k.bottom), 2),
                                                Object::newReal(box.llx + Points(k.right), 2),
                                                Object::newReal(box.ury - Points(k.top), 2)}));
    link.replaceKey("/Border", Object::newArray({Object::newInteger(0), Object::newInteger(0), Object::newInteger(0)}));
    link.replaceKey("/Dest", Destination(pages[size_t(to)], h));
    Object annots = page.getKey("/Annots");
    if (!annots.isArray()) {
      annots = Object::newArray();
      page.replaceKey("/Annots", annots);
    }
    annots.appendItem(link);
  }
}

// The document information: Qt's title and producer stay; the creator is
// this program and the dates are the run's clock instead of the moment the
// file was written. An XMP stream, when Qt wrote one, says the same, with
// an identifier made from what it says instead of a random one.
void SetDocumentInformation(QPDF& pdf, const PdfStructure& s, size_t pageCount) {
  Object trailer = pdf.getTrailer();
  Object info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(Object::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  const std::string date = PdfDate(s.clock);
  info.replaceKey("/Creator", Object::newUnicodeString(PdfCreator()));
  info.replaceKey("/CreationDate", Object::newString(date));
  info.replaceKey("/ModDate", Object::newString(date));

  Object metadata = pdf.getRoot().getKey("/Metadata");
  if (!metadata.isStream()) return;
  Object title = info.getKey("/Title"), producerText = info.getKey("/Producer");
  const std::string titleText = title.isString() ? title.getUTF8Value() : std::string();
  const std::string producer = producerText.isString() ? producerText.getUTF8Value() : std::string();
  const QByteArray hash = QCryptographicHash::hash(
      QByteArray::fromStdString(titleText + '\n' + date + '\n' + std::to_string(pageCount)), QCryptographicHash::Md5);
  const std::string hex = hash.toHex().toStdString();
  const std::string uuid = "uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
                           hex.substr(16, 4) + "-" + hex.substr(20, 12);
  const std::string xdate = XmpDate(s.clock);
  const std::string xmp =
      "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
      "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
      "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
      "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'"
      " xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:pdf='http://ns.adobe.com/pdf/1.3/'"
      " xmlns:xmpMM='http://ns.adobe.com/xap/1.0/mm/'>\n"
      "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>" + XmlEscaped(titleText) + "</rdf:li></rdf:Alt></dc:title>\n"
      "<xmp:CreatorTool>" + XmlEscaped(PdfCreator()) + "</xmp:CreatorTool>\n"
      "<xmp:CreateDate>" + xdate + "</xmp:CreateDate>\n"
      "<xmp:ModifyDate>" + xdate + "</xmp:ModifyDate>\n"
      "<pdf:Producer>" + XmlEscaped(producer) + "</pdf:Producer>\n"
      "<xmpMM:DocumentID>" + uuid + "</xmpMM:DocumentID>\n"
      "<xmpMM:InstanceID>" + uuid + "</xmpMM:InstanceID>\n"
      "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>";
  metadata.replaceStreamData(xmp, Object::newNull(), Object::newNull());
}

// Qt tags each embedded font subset ("QVCAAA+cmr10") after the number of
// its object, and numbers the fonts in an order that changes from process
// to process. The tags are made again from each font's name and its place
// in page order, and put in the font names too (as readers expect of a
// subset).
void TagFontSubsets(const std::vector<Object>& pages) {
  std::vector<QPDFObjGen> seen;
  int index = 0;
  for (Object page : pages) {
    Object fonts = QPDFPageObjectHelper(page).getAttribute("/Resources", false).getKey("/Font");
    if (!fonts.isDictionary()) continue;
    for (const std::string& key : fonts.getKeys()) {
      Object font = fonts.getKey(key);
      if (!font.isDictionary() || font.getKey("/Subtype").unparse() != "/Type0") continue;
      if (std::find(seen.begin(), seen.end(), font.getObjGen()) != seen.end()) continue;
      seen.push_back(font.getObjGen());
      Object descendants = font.getKey("/DescendantFonts");
      if (!descendants.isArray() || descendants.getArrayNItems() != 1) continue;
      Object cid = descendants.getArrayItem(0);
      Object descriptor = cid.getKey("/FontDescriptor");
      Object name = descriptor.isDictionary() ? descriptor.getKey("/FontName") : Object::newNull();
      if (!name.isName()) continue;
      const std::string old = name.getName();  // "/TAGTAG+Name"
      if (old.size() < 9 || old[7] != '+') continue;
      const std::string base = old.substr(8);
      uint32_t h = 2166136261u;  // FNV-1a of the name and the place
      for (char c : base + '#' + std::to_string(index++)) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
      std::string tag;
      for (int i = 0; i < 6; ++i, h /= 26) tag += static_cast<char>('A' + h % 26);
      const std::string tagged = "/" + tag + "+" + base;
      descriptor.replaceKey("/FontName", Object::newName(tagged));
      cid.replaceKey("/BaseFont", Object::newName(tagged));
      font.replaceKey("/BaseFont", Object::newName(tagged));
    }
  }
}

}  // namespace

std::string PdfCreator() { return std::string("VELDRIS ") + VELDRIS_VERSION; }

PdfStructure MakePdfStructure(const State& st, int firstSheet, int lastSheet) {
  PdfStructure s;
  s.outline = MakeDocumentOutline(st);
  s.firstSheet = firstSheet;
  s.lastSheet = lastSheet;
  s.clock = st.pre.clock;
  return s;
}

bool AddPdfStructure(const std::string& path, const PdfStructure& s) {
  return WriteBeside(path, [&](const std::string& beside) {
    try {
      // Read whole: qpdf reading a file seeks and reads again for nearly
      // every object (some 15,000 system calls for 100 pages). It reads
      // from this memory until the new file is written.
      std::string bytes;
      {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
      QPDF pdf;
      pdf.setSuppressWarnings(true);
      pdf.processMemoryFile(path.c_str(), bytes.data(), bytes.size());
      std::vector<Object> pages;
      for (QPDFPageObjectHelper& p : QPDFPageDocumentHelper(pdf).getAllPages()) pages.push_back(p.getObjectHandle());
      AddOutline(pdf, pages, s);
      AddPageLabels(pages.size(), s, pdf.getRoot());
      AddLinks(pdf, pages, s);
      SetDocumentInformation(pdf, s, pages.size());
      TagFontSubsets(pages);

      QPDFWriter w(pdf, beside.c_str());
      // Qt's streams go through as they are: nothing is decoded or
      // compressed again, which keeps the step cheap.
      w.setDecodeLevel(qpdf_dl_none);
      w.setCompressStreams(false);
      w.setDeterministicID(true);
      w.write();
      return true;
    } catch (const std::exception&) {
      return false;
    }
  });
}

}  // namespace vel
