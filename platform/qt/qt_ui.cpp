#include "platform/qt/qt_ui.h"

#include <langinfo.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/app_settings.h"
#include "platform/qt/qt_icons.h"
#include "platform/qt/qt_text.h"

namespace kv::qt {

namespace {

// The widget classes that platform themes give fonts of their own.
constexpr const char* kFontClasses[] = {
    "QMenu",
    "QMenuBar",
    "QMessageBox",
    "QLabel",
    "QAbstractButton",
    "QPushButton",
    "QGroupBox",
    "QTextEdit",
    "QPlainTextEdit",
    "QLineEdit",
    "QTextBrowser",
    "QToolTip",
    "QHeaderView",
    "QComboBox",
    "QTabBar",
    "QDockWidget",
    "QMdiSubWindowTitleBar",
};

bool HasIdeographs(const QString& family) {
  const auto systems = QFontDatabase::writingSystems(family);
  return systems.contains(QFontDatabase::SimplifiedChinese) ||
         systems.contains(QFontDatabase::TraditionalChinese) ||
         systems.contains(QFontDatabase::Korean) || systems.contains(QFontDatabase::Japanese);
}

QFont WithJapaneseFallback(QFont font, const QStringList& japanese) {
  const QString requested = font.family();
  const QString resolved = QFontInfo(font).family();
  font.setFamilies(UiFontFamilies(requested, HasIdeographs(resolved), japanese));
  return font;
}

bool EnvironmentFlag(const char* name) {
  const char* value = std::getenv(name);
  return value && *value && std::strcmp(value, "0") != 0;
}

}  // namespace

QStringList InstalledJapaneseFamilies() {
  static const char* const kCandidates[] = {
      "Noto Sans CJK JP", "Noto Sans JP", "Source Han Sans JP", "IPAexGothic", "IPAPGothic",
      "IPAGothic",        "TakaoPGothic", "VL PGothic",         "VL Gothic",
  };
  QStringList found;
  for (const char* name : kCandidates) {
    const QString family = QString::fromUtf8(name);
    if (QFontDatabase::hasFamily(family)) found.append(family);
  }
  return found;
}

void ConfigureJapaneseFonts() {
  const QStringList japanese = InstalledJapaneseFamilies();
  if (japanese.isEmpty()) return;
  // Fonts the platform theme gives particular widget classes; setting the
  // application font forgets them, so they are read first and set again after.
  const QFont appFont = QApplication::font();
  std::vector<std::pair<const char*, QFont>> classFonts;
  for (const char* cls : kFontClasses) {
    const QFont font = QApplication::font(cls);
    if (font != appFont) classFonts.emplace_back(cls, WithJapaneseFallback(font, japanese));
  }
  QApplication::setFont(WithJapaneseFallback(appFont, japanese));
  for (const auto& [cls, font] : classFonts) QApplication::setFont(font, cls);
}

bool LoadQtTranslation(QTranslator& translator) {
  if (!translator.load(QStringLiteral("qtbase_ja"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(&translator);
}

QtUiImpl::QtUiImpl(int& argc, char** argv, QStringList helpDirs) : app_(argc, argv) {
  QApplication::setApplicationName(
      QString::fromUtf8(kApp.title.data(), static_cast<qsizetype>(kApp.title.size())));
  QApplication::setApplicationVersion(
      QStringLiteral("%1.%2.%3").arg(kApp.major).arg(kApp.minor).arg(kApp.revision));
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kavreno.Kavreno"));
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ProgramIcon());
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  LoadQtTranslation(translator_);
  ConfigureJapaneseFonts();

  const char* codeset = nl_langinfo(CODESET);
  help_ = std::make_unique<QtHelpEngine>(std::move(helpDirs), codeset ? codeset : "");
  WindowSystemOptions options;
  options.exitAfterFirstPaint = EnvironmentFlag("KAVRENO_EXIT_AFTER_PAINT");
  options.beforeEnd = [this] { help_->CloseAll(); };
  windows_ = std::make_unique<QtWindowSystem>(std::move(options));
}

QtUiImpl::~QtUiImpl() {
  windows_.reset();
  help_.reset();
}

}  // namespace kv::qt
