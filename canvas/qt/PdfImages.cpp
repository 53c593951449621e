#include "canvas/qt/PdfImages.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace vel {

namespace {

// A replacement of the bytes [at, at + length) of the file.
struct Edit {
  qsizetype at = 0, length = 0;
  QByteArray with;
};

// The unsigned number at `at`, or nothing.
std::optional<qint64> numberAt(const QByteArray& d, qsizetype at, qsizetype* end = nullptr) {
  qsizetype i = at;
  qint64 v = 0;
  while (i < d.size() && d[i] >= '0' && d[i] <= '9' && i - at < 12) v = v * 10 + (d[i++] - '0');
  if (i == at) return std::nullopt;
  if (end) *end = i;
  return v;
}

// The value of a "/Key number" entry of a dictionary text, and where the
// number lies in it.
std::optional<qint64> entry(const QByteArray& dict, const char* key, qsizetype* at = nullptr, qsizetype* end = nullptr) {
  const QByteArray k = QByteArray(key) + ' ';
  const qsizetype i = dict.indexOf(k);
  if (i < 0) return std::nullopt;
  if (at) *at = i + k.size();
  return numberAt(dict, i + k.size(), end);
}

// A JPEG image object of the file.
struct DctImage {
  qsizetype dataAt = 0;
  qint64 dataLength = 0;
  int width = 0, height = 0;
  qsizetype lengthAt = 0, lengthEnd = 0;  // the digits of its length (direct or in its length object)
  qsizetype colourSpaceAt = -1;            // "/DeviceRGB" in its dictionary
};

}  // namespace

bool StoreJpegFilesAsIs(const QString& path, const PdfJpegLog& log) {
  if (log.entries().empty()) return true;
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray d = in.readAll();
  in.close();

  // The cross reference table: one section from object 0, 20-byte rows.
  const qsizetype sx = d.lastIndexOf("startxref");
  if (sx < 0) return false;
  qsizetype p = sx + 9;
  while (p < d.size() && (d[p] == '\n' || d[p] == '\r' || d[p] == ' ')) ++p;
  const std::optional<qint64> xref = numberAt(d, p);
  if (!xref || *xref <= 0 || *xref >= d.size() || d.mid(*xref, 5) != "xref\n") return false;
  qsizetype q = *xref + 5;
  if (d.mid(q, 2) != "0 ") return false;
  qsizetype rowsAt = 0;
  const std::optional<qint64> count = numberAt(d, q + 2, &rowsAt);
  if (!count || rowsAt >= d.size() || d[rowsAt] != '\n') return false;
  ++rowsAt;
  if (rowsAt + *count * 20 > d.size()) return false;
  std::vector<qsizetype> offsets(size_t(*count), -1);
  for (qint64 i = 0; i < *count; ++i) {
    const qsizetype row = rowsAt + i * 20;
    if (d[row + 17] != 'n') continue;
    const std::optional<qint64> at = numberAt(d, row);
    if (!at || *at >= *xref) return false;
    offsets[size_t(i)] = *at;
  }
  const qsizetype trailerAt = rowsAt + *count * 20;

  // The JPEG image objects, in file order.
  std::map<qsizetype, qint64> byOffset;  // offset -> object number
  for (size_t i = 0; i < offsets.size(); ++i)
    if (offsets[i] >= 0) byOffset[offsets[i]] = qint64(i);
  std::vector<DctImage> images;
  for (const auto& [at, number] : byOffset) {
    const QByteArray head = QByteArray::number(number) + " 0 obj\n";
    if (d.mid(at, head.size()) != head) return false;
    const qsizetype streamAt = d.indexOf(">>\nstream\n", at);
    const qsizetype endAt = d.indexOf("endobj", at);
    if (streamAt < 0 || endAt < 0 || endAt < streamAt) continue;  // no stream in this object
    const QByteArray dict = d.mid(at, streamAt - at);
    if (!dict.contains("/Subtype /Image") || !dict.contains("/Filter /DCTDecode")) continue;
    DctImage img;
    img.dataAt = streamAt + 10;
    const std::optional<qint64> w = entry(dict, "/Width"), h = entry(dict, "/Height");
    if (!w || !h) return false;
    img.width = int(*w);
    img.height = int(*h);
    qsizetype lengthAt = 0, lengthEnd = 0;
    const std::optional<qint64> length = entry(dict, "/Length", &lengthAt, &lengthEnd);
    if (!length) return false;
    if (dict.mid(lengthEnd, 4) == " 0 R") {
      // The length is an object of its own: "L 0 obj\n<digits>\nendobj".
      if (*length <= 0 || *length >= qint64(offsets.size()) || offsets[size_t(*length)] < 0) return false;
      const qsizetype lo = offsets[size_t(*length)];
      const QByteArray lhead = QByteArray::number(*length) + " 0 obj\n";
      if (d.mid(lo, lhead.size()) != lhead) return false;
      img.lengthAt = lo + lhead.size();
      const std::optional<qint64> value = numberAt(d, img.lengthAt, &img.lengthEnd);
      if (!value) return false;
      img.dataLength = *value;
    } else {
      img.lengthAt = at + lengthAt;
      img.lengthEnd = at + lengthEnd;
      img.dataLength = *length;
    }
    if (img.dataAt + img.dataLength > d.size()) return false;
    const qsizetype cs = dict.indexOf("/ColorSpace /DeviceRGB");
    if (cs >= 0) img.colourSpaceAt = at + cs + 12;
    images.push_back(img);
  }
  const std::vector<PdfJpegLog::Entry>& files = log.entries();
  if (images.size() != files.size()) return false;

  std::vector<Edit> edits;
  for (size_t i = 0; i < images.size(); ++i) {
    const DctImage& img = images[i];
    const PdfJpegLog::Entry& file = files[i];
    if (!file.source || img.width != file.width || img.height != file.height) return false;
    const std::vector<uint8_t>& bytes = file.source->bytes;
    edits.push_back({img.dataAt, img.dataLength, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))});
    edits.push_back({img.lengthAt, img.lengthEnd - img.lengthAt, QByteArray::number(qulonglong(bytes.size()))});
    if (file.source->components == 1) {
      if (img.colourSpaceAt < 0) return false;
      edits.push_back({img.colourSpaceAt, 10, "/DeviceGray"});
    }
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
  for (size_t i = 1; i < edits.size(); ++i)
    if (edits[i].at < edits[i - 1].at + edits[i - 1].length) return false;

  // The file up to its cross reference table with the edits made, and
  // where each old offset went.
  QByteArray out;
  out.reserve(d.size());
  std::vector<std::pair<qsizetype, qsizetype>> moved;  // (old position, shift from there on)
  qsizetype from = 0, shift = 0;
  for (const Edit& e : edits) {
    out.append(d.constData() + from, e.at - from);
    out.append(e.with);
    from = e.at + e.length;
    shift += e.with.size() - e.length;
    moved.push_back({from, shift});
  }
  out.append(d.constData() + from, *xref - from);
  auto newOffset = [&](qsizetype old) {
    qsizetype s = 0;
    for (const auto& [at, by] : moved)
      if (old >= at) s = by;
    return old + s;
  };
  const qsizetype newXref = out.size();
  out.append(d.constData() + *xref, rowsAt - *xref);
  for (qint64 i = 0; i < *count; ++i) {
    QByteArray row = d.mid(rowsAt + i * 20, 20);
    if (offsets[size_t(i)] >= 0) {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%010lld", static_cast<long long>(newOffset(offsets[size_t(i)])));
      row.replace(0, 10, digits);
    }
    out.append(row);
  }
  out.append(d.constData() + trailerAt, sx - trailerAt);
  out.append("startxref\n" + QByteArray::number(qlonglong(newXref)) + "\n%%EOF\n");

  QSaveFile save(path);
  if (!save.open(QIODevice::WriteOnly)) return false;
  save.write(out);
  return save.commit();
}

}  // namespace vel
