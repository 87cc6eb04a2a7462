#include "platform/qt/qt_display.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kv::qt {

namespace {

constexpr const char* kPlatformInterface =
    "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface";

// The value of a Qt option given as "-name value" or "--name value"; the last one counts.
QByteArray OptionValue(const QStringList& arguments, const QString& name) {
  QByteArray value;
  for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "-" + name || arguments[i] == "--" + name)
      value = arguments[++i].toLocal8Bit();
  }
  return value;
}

// The folders Qt looks for platform plugins in.
QStringList PluginFolders(const QStringList& arguments, const Environment& env) {
  QStringList folders;
  QByteArray own = OptionValue(arguments, QStringLiteral("platformpluginpath"));
  if (own.isEmpty()) own = env("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.isEmpty()) folders << QString::fromLocal8Bit(own);
  for (const QString& path : QCoreApplication::libraryPaths()) folders << path + "/platforms";
  return folders;
}

// Whether the plugin file's metadata, read without loading it, names the platform.
bool IsPlatformPlugin(const QString& file, const QByteArray& platform) {
  const QJsonObject meta = QPluginLoader(file).metaData();
  if (!meta.value("IID").toString().startsWith(kPlatformInterface)) return false;
  for (const QJsonValue key : meta.value("MetaData").toObject().value("Keys").toArray()) {
    if (key.toString().compare(QString::fromLatin1(platform), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

// "" when a plugin file for the platform loads, with every library it needs;
// otherwise why not. The plugin stays loaded for Qt, which loads it next.
QString WhyNoPlugin(const QByteArray& platform, const QStringList& folders) {
  QString failure;
  const auto loads = [&](const QString& file) {
    if (!IsPlatformPlugin(file, platform)) return false;
    if (dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL)) return true;
    const char* why = dlerror();
    failure = QString::fromLocal8Bit(why ? why : "dlopen");
    return false;
  };
  // Most plugins are named after their platform (libqxcb.so); the others are
  // found by reading every plugin's metadata, as Qt does.
  const QString usual = "libq" + QString::fromLatin1(platform).toLower() + ".so";
  for (const QString& folder : folders) {
    if (QFileInfo::exists(folder + '/' + usual) && loads(folder + '/' + usual)) return {};
  }
  for (const QString& folder : folders) {
    const QDir dir(folder);
    for (const QString& file : dir.entryList(QDir::Files)) {
      if (file != usual && loads(dir.filePath(file))) return {};
    }
  }
  const QString name = QString::fromLocal8Bit(platform);
  if (!failure.isEmpty())
    return QStringLiteral("Qt のプラットフォーム プラグイン \"%1\" を読み込めません (%2)")
        .arg(name, failure);
  return QStringLiteral("Qt のプラットフォーム プラグイン \"%1\" がありません").arg(name);
}

// Connects to the X server as Qt's X11 platform does (libxcb, with the
// server's authorisation). The connection stays open while held is: an X
// server whose last client goes resets itself, and refuses connections while
// it does, so the connection is to be closed only once Qt has its own.
QString WhyNoX(const QByteArray& display, std::shared_ptr<void>* held) {
  if (display.isEmpty()) return QStringLiteral("DISPLAY が設定されていません");
  struct Connection;
  using Connect = Connection* (*)(const char*, int*);
  using HasError = int (*)(Connection*);
  using Disconnect = void (*)(Connection*);
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  auto connect = xcb ? reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect")) : nullptr;
  auto hasError =
      xcb ? reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error")) : nullptr;
  auto disconnect = xcb ? reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect")) : nullptr;
  if (!connect || !hasError || !disconnect) return QStringLiteral("libxcb.so.1 を読み込めません");
  std::shared_ptr<Connection> connection(connect(display.constData(), nullptr), disconnect);
  const int error = hasError(connection.get());
  if (error == 0 && held) *held = connection;
  if (error == 0) return {};
  const QString shown = QString::fromLocal8Bit(display);
  switch (error) {
    case 5:  // XCB_CONN_CLOSED_PARSE_ERR
      return QStringLiteral("X ディスプレイ名 \"%1\" が正しくありません").arg(shown);
    case 6:  // XCB_CONN_CLOSED_INVALID_SCREEN
      return QStringLiteral("X ディスプレイ \"%1\" にその画面がありません").arg(shown);
    default:
      return QStringLiteral("X ディスプレイ \"%1\" に接続できません").arg(shown);
  }
}

}  // namespace

// Connects to the Wayland compositor's socket as libwayland-client finds it.
QString WhyNoWaylandCompositor(const Environment& env) {
  if (!env("WAYLAND_SOCKET").isEmpty()) return {};  // a connection handed down already
  QByteArray path = env("WAYLAND_DISPLAY");
  if (path.isEmpty()) path = "wayland-0";
  if (!path.startsWith('/')) {
    const QByteArray runtime = env("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) return QStringLiteral("XDG_RUNTIME_DIR が設定されていません");
    path = runtime + '/' + path;
  }
  const QString shown = QString::fromLocal8Bit(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (static_cast<size_t>(path.size()) >= sizeof address.sun_path)
    return QStringLiteral("Wayland のソケット名 \"%1\" が長すぎます").arg(shown);
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
  const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int error = errno;
  close(fd);
  if (result == 0) return {};
  return QStringLiteral("Wayland コンポジタ \"%1\" に接続できません (%2)")
      .arg(shown, QString::fromLocal8Bit(std::strerror(error)));
}

QByteArray ProcessEnvironment(const char* name) { return qgetenv(name); }

QList<QByteArray> PlatformCandidates(const QStringList& arguments, const Environment& env) {
  QByteArray names = OptionValue(arguments, QStringLiteral("platform"));
  if (names.isEmpty()) names = env("QT_QPA_PLATFORM");
  if (names.isEmpty()) {
    names = "xcb";
    // Qt keeps to X11 on GNOME's Wayland sessions.
    const bool gnome = env("XDG_CURRENT_DESKTOP").toLower().contains("gnome") ||
                       env("XDG_SESSION_DESKTOP").toLower().contains("gnome");
    if (env("XDG_SESSION_TYPE") == "wayland" && !gnome) names = "wayland;xcb";
  }
  QList<QByteArray> candidates;
  for (const QByteArray& entry : names.split(';')) {
    const QByteArray name = entry.split(':').first().trimmed();  // options follow a colon
    if (!name.isEmpty()) candidates << name;
  }
  return candidates;
}

QString WhyNoWindow(const QStringList& arguments, const Environment& env,
                    std::shared_ptr<void>* held) {
  const QStringList folders = PluginFolders(arguments, env);
  QStringList reasons;
  for (const QByteArray& platform : PlatformCandidates(arguments, env)) {
    QString why = WhyNoPlugin(platform, folders);
    if (why.isEmpty() && platform == "xcb") {
      QByteArray display = OptionValue(arguments, QStringLiteral("display"));
      if (display.isEmpty()) display = env("DISPLAY");
      why = WhyNoX(display, held);
    } else if (why.isEmpty() && platform.startsWith("wayland")) {
      why = WhyNoWaylandCompositor(env);
    }
    if (why.isEmpty()) return {};
    reasons << why;
  }
  if (reasons.isEmpty()) return QStringLiteral("Qt のプラットフォームが指定されていません");
  return reasons.join(QStringLiteral("; "));
}

}  // namespace kv::qt
