#include "platform/qt/qt_text.h"

#include <iconv.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "platform/visible_text.h"

namespace kv::qt {

int TwipsToPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

double PixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

QRect LinePixels(QPoint from, QPoint to, int width) {
  const int w = std::max(width, 1);
  const int grow = (w - 1) / 2;  // the part of the pen above (left of) the line
  if (from.y() == to.y()) {
    const int x0 = std::min(from.x(), to.x());
    const int x1 = std::max(from.x(), to.x());
    return QRect(x0, from.y() - grow, x1 - x0, w);
  }
  if (from.x() == to.x()) {
    const int y0 = std::min(from.y(), to.y());
    const int y1 = std::max(from.y(), to.y());
    return QRect(from.x() - grow, y0, w, y1 - y0);
  }
  return QRect(from, to).normalized().adjusted(-w, -w, w, w);
}

QString PlainText(std::string_view utf8) {
  const auto nul = utf8.find('\0');
  if (nul != std::string_view::npos) utf8 = utf8.substr(0, nul);
  const std::string shown = VisibleLines(utf8, "\n");
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::string FromQtLines(const QString& text) {
  QString crlf = text;
  crlf.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return crlf.toStdString();
}

QString EscapeMnemonics(const QString& text) {
  QString escaped = text;
  escaped.replace(QChar(u'&'), QStringLiteral("&&"));
  return escaped;
}

QString WindowTitleText(std::string_view utf8) {
  QString title = PlainText(utf8);
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return title;
}

QString DecodeBytes(std::string_view bytes, const std::string& codeset) {
  if (codeset.empty() || strcasecmp(codeset.c_str(), "UTF-8") == 0 ||
      strcasecmp(codeset.c_str(), "UTF8") == 0) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  iconv_t cd = iconv_open("UTF-8", codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  std::string out;
  std::vector<char> in(bytes.begin(), bytes.end());
  char* src = in.data();
  size_t srcLeft = in.size();
  char chunk[256];
  while (srcLeft > 0) {
    char* dst = chunk;
    size_t dstLeft = sizeof chunk;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or a sequence cut short at the end: one replacement per byte skipped.
      out += "\xEF\xBF\xBD";
      ++src;
      --srcLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return QString::fromStdString(out);
}

QStringList UiFontFamilies(const QString& defaultFamily, bool defaultHasIdeographs,
                           const QStringList& japaneseFamilies) {
  QStringList families;
  const bool defaultIsJapanese = japaneseFamilies.contains(defaultFamily, Qt::CaseInsensitive);
  if (defaultHasIdeographs && !defaultIsJapanese) {
    families = japaneseFamilies;
    families.append(defaultFamily);
  } else {
    families.append(defaultFamily);
    for (const QString& f : japaneseFamilies) {
      if (!families.contains(f, Qt::CaseInsensitive)) families.append(f);
    }
  }
  families.removeAll(QString());
  return families;
}

}  // namespace kv::qt
