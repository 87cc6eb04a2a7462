// Whether a window can open, found before Qt starts: the platforms Qt would
// try, their plugins, the X server and the Wayland compositor's socket.
#include "platform/qt/qt_display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <map>

using namespace kv::qt;

namespace {

using Variables = std::map<QByteArray, QByteArray>;

Environment Only(Variables variables) {
  return [variables](const char* name) {
    const auto it = variables.find(name);
    return it == variables.end() ? QByteArray() : it->second;
  };
}

// A Unix socket at path; listening until the returned descriptor is closed.
int Listen(const QByteArray& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 1) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Q_DECLARE_METATYPE(Variables)

class QtDisplayTest : public QObject {
  Q_OBJECT

 private slots:
  void platformCandidates_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Variables>("env");
    QTest::addColumn<QByteArrayList>("platforms");
    const auto row = [](const char* name, QStringList args, Variables env, QByteArrayList p) {
      QTest::newRow(name) << args << env << p;
    };
    row("X11 by default", {}, {}, {"xcb"});
    row("a Wayland session, X11 after it", {}, {{"XDG_SESSION_TYPE", "wayland"}},
        {"wayland", "xcb"});
    row("GNOME's Wayland session keeps to X11", {},
        {{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, {"xcb"});
    row("the environment's list, options dropped", {},
        {{"QT_QPA_PLATFORM", "wayland-egl:nodecor;xcb"}}, {"wayland-egl", "xcb"});
    row("the option before the environment", {"-style", "Fusion", "--platform", "offscreen"},
        {{"QT_QPA_PLATFORM", "xcb"}}, {"offscreen"});
  }
  void platformCandidates() {
    QFETCH(QStringList, arguments);
    QFETCH(Variables, env);
    QFETCH(QByteArrayList, platforms);
    QCOMPARE(PlatformCandidates(arguments, Only(env)), platforms);
  }

  void whyNoWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Variables>("env");
    QTest::addColumn<QString>("why");  // "" when a window can open
    const auto row = [](const char* name, QStringList args, Variables env, const char* why) {
      QTest::newRow(name) << args << env << QString::fromUtf8(why);
    };
    row("offscreen needs no display", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, "");
    row("no such plugin", {}, {{"QT_QPA_PLATFORM", "bogus"}},
        "Qt のプラットフォーム プラグイン \"bogus\" がありません");
    row("no such plugin, then one that starts", {}, {{"QT_QPA_PLATFORM", "bogus;offscreen"}}, "");
    row("X11 without DISPLAY", {}, {}, "DISPLAY が設定されていません");
    row("X11 with no server", {}, {{"DISPLAY", ":4321"}},
        "X ディスプレイ \":4321\" に接続できません");
    row("-display before DISPLAY", {"-display", "a::b"}, {{"DISPLAY", ":4321"}},
        "X ディスプレイ名 \"a::b\" が正しくありません");
    row("every reason, in order", {"-platform", "bogus;xcb"}, {},
        "Qt のプラットフォーム プラグイン \"bogus\" がありません; DISPLAY が設定されていません");
  }
  void whyNoWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(Variables, env);
    QFETCH(QString, why);
    QCOMPARE(WhyNoWindow(arguments, Only(env)), why);
  }

  // A plugin that is there but cannot load (a library it needs is missing):
  // a copy of the offscreen plugin under a platform name of its own, needing
  // a Qt library that does not exist.
  void pluginThatCannotLoad() {
    QFile original(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqoffscreen.so");
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray plugin = original.readAll();
    QVERIFY(plugin.contains("libQt6Gui.so.6"));
    plugin.replace("offscreen", "kvbroken1").replace("libQt6Gui.so.6", "libQt6Gux.so.6");
    QTemporaryDir dir;
    QFile copy(dir.filePath("libqkvbroken1.so"));
    QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(plugin) == plugin.size());
    copy.close();
    const QString why =
        WhyNoWindow({"-platformpluginpath", dir.path(), "-platform", "kvbroken1"}, Only({}));
    QVERIFY2(why.startsWith("Qt のプラットフォーム プラグイン \"kvbroken1\" を読み込めません") &&
                 why.contains("libQt6Gux.so.6"),
             qPrintable(why));
  }

  void waylandCompositor() {
    QTemporaryDir runtime;
    const QByteArray dir = QFile::encodeName(runtime.path());
    const int live = Listen(dir + "/wayland-0");
    QVERIFY(live >= 0);
    const int gone = Listen(dir + "/wayland-gone");
    QVERIFY(gone >= 0);
    close(gone);  // the socket file stays, with no compositor behind it
    const struct {
      const char* name;
      Variables env;
      const char* why;  // how the reason starts; "" when a connection was made
    } table[] = {
        {"wayland-0 by default", {{"XDG_RUNTIME_DIR", dir}}, ""},
        {"an absolute path", {{"WAYLAND_DISPLAY", dir + "/wayland-0"}}, ""},
        {"handed down", {{"WAYLAND_SOCKET", "3"}}, ""},
        {"no compositor behind the socket",
         {{"XDG_RUNTIME_DIR", dir}, {"WAYLAND_DISPLAY", "wayland-gone"}},
         "Wayland コンポジタ"},
        {"no socket",
         {{"XDG_RUNTIME_DIR", dir}, {"WAYLAND_DISPLAY", "wayland-1"}},
         "Wayland コンポジタ"},
        {"no runtime folder",
         {{"WAYLAND_DISPLAY", "wayland-0"}},
         "XDG_RUNTIME_DIR が設定されていません"},
    };
    for (const auto& row : table) {
      const QString why = WhyNoWaylandCompositor(Only(row.env));
      QVERIFY2(*row.why ? why.startsWith(QString::fromUtf8(row.why)) : why.isEmpty(),
               qPrintable(QStringLiteral("%1: %2").arg(row.name, why)));
    }
    close(live);
  }
};

QTEST_MAIN(QtDisplayTest)
#include "qt_display_test.moc"
