#include "platform/qt/qt_display.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPluginLoader>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/qt/bounded_probe.h"

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

QString Seconds(std::chrono::milliseconds limit) {
  return QString::number(static_cast<double>(limit.count()) / 1000.0);
}

QString WhyNoProbe(const ProbeOutcome& outcome) {
  if (outcome.kind == ProbeOutcome::Kind::NoChild)
    return QStringLiteral("表示を確かめるプロセスを作れません (%1)")
        .arg(QString::fromLocal8Bit(std::strerror(outcome.error)));
  return QStringLiteral("表示を確かめるプロセスが答えずに終わりました");
}

// What the probes answer.
enum Verdict {
  kReached = 0,
  kAuthorityNotFile,  // XAUTHORITY names something that is not a regular file
  kXError,            // detail: libxcb's connection error
  kNoConnection,      // detail: errno
  kHungUp,            // the server closed the connection without a word
  kNoDevice,          // no device where the platform looks for one
  kDeviceFailed,      // text: the device; detail: errno
};
enum Stage { kReadingAuthority = 1, kAskingServer };

// The file libxcb takes the server's authorisation from.
QByteArray AuthorityFile(const Environment& env) {
  QByteArray file = env("XAUTHORITY");
  if (file.isEmpty() && !env("HOME").isEmpty()) file = env("HOME") + "/.Xauthority";
  return file;
}

// Connects to the X server as Qt's X11 platform does (libxcb, with the
// server's authorisation, up to the server's answer to the connection
// setup), in a process of its own that hands the connection over. The
// connection stays open while held is: an X server whose last client goes
// resets itself, and refuses connections while it does, so the connection
// is to be closed only once Qt has its own.
QString WhyNoX(const QByteArray& display, const Environment& env, std::chrono::milliseconds limit,
               std::shared_ptr<void>* held) {
  if (display.isEmpty()) return QStringLiteral("DISPLAY が設定されていません");
  struct Connection;
  using Connect = Connection* (*)(const char*, int*);
  using HasError = int (*)(Connection*);
  using Descriptor = int (*)(Connection*);
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  auto connect = xcb ? reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect")) : nullptr;
  auto hasError =
      xcb ? reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error")) : nullptr;
  auto descriptor =
      xcb ? reinterpret_cast<Descriptor>(dlsym(xcb, "xcb_get_file_descriptor")) : nullptr;
  if (!connect || !hasError || !descriptor) return QStringLiteral("libxcb.so.1 を読み込めません");
  const QByteArray authority = AuthorityFile(env);
  const ProbeOutcome outcome = RunBounded(
      [&](const ProbeStage& stage) -> ProbeAnswer {
        // libxcb opens the file with no limit: a FIFO or a device would hold it.
        stage(kReadingAuthority);
        if (!authority.isEmpty()) {
          struct stat info {};
          if (stat(authority.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return {kAuthorityNotFile, 0, {}, -1};
          setenv("XAUTHORITY", authority.constData(), 1);
        }
        stage(kAskingServer);
        Connection* connection = connect(display.constData(), nullptr);
        if (const int error = hasError(connection)) return {kXError, error, {}, -1};
        return {kReached, 0, {}, descriptor(connection)};
      },
      limit);
  const QString shown = QString::fromLocal8Bit(display);
  const QString file = QString::fromLocal8Bit(authority);
  switch (outcome.kind) {
    case ProbeOutcome::Kind::Answered:
      break;
    case ProbeOutcome::Kind::TimedOut:
      if (outcome.stage == kReadingAuthority)
        return QStringLiteral("XAUTHORITY \"%1\" が %2 秒以内に読めません")
            .arg(file, Seconds(limit));
      return QStringLiteral("X ディスプレイ \"%1\" が %2 秒以内に応答しません")
          .arg(shown, Seconds(limit));
    default:
      return WhyNoProbe(outcome);
  }
  const ProbeAnswer& answer = outcome.answer;
  if (answer.verdict == kReached) {
    if (held && answer.fd >= 0)
      *held = std::shared_ptr<void>(new int(answer.fd), [](void* fd) {
        close(*static_cast<int*>(fd));
        delete static_cast<int*>(fd);
      });
    else if (answer.fd >= 0)
      close(answer.fd);
    return {};
  }
  if (answer.verdict == kAuthorityNotFile)
    return QStringLiteral("XAUTHORITY \"%1\" は通常のファイルではありません").arg(file);
  switch (answer.detail) {
    case 5:  // XCB_CONN_CLOSED_PARSE_ERR
      return QStringLiteral("X ディスプレイ名 \"%1\" が正しくありません").arg(shown);
    case 6:  // XCB_CONN_CLOSED_INVALID_SCREEN
      return QStringLiteral("X ディスプレイ \"%1\" にその画面がありません").arg(shown);
    default:
      return QStringLiteral("X ディスプレイ \"%1\" に接続できません").arg(shown);
  }
}

// A platform's options, as they follow its name: "linuxfb:fb=/dev/fb1:size=800x600".
QByteArray PlatformOption(const QByteArray& options, const QByteArray& key) {
  for (const QByteArray& option : options.split(':')) {
    if (option.startsWith(key + '=')) return option.mid(key.size() + 1);
  }
  return {};
}

// Opens a display device as the platform does and asks it what it is, in a
// process of its own; kDeviceFailed with the device's path when it cannot.
ProbeAnswer OpenDevice(const QByteArray& path, unsigned long question) {
  int fd = open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {kDeviceFailed, errno, path.toStdString(), -1};
  fb_var_screeninfo screen{};
  if (question != 0 && ioctl(fd, question, &screen) != 0)
    return {kDeviceFailed, errno, path.toStdString(), -1};
  return {};
}

QString WhyNoDevice(const ProbeOutcome& outcome, const QString& kind,
                    std::chrono::milliseconds limit) {
  if (outcome.kind == ProbeOutcome::Kind::TimedOut)
    return QStringLiteral("%1が %2 秒以内に応答しません").arg(kind, Seconds(limit));
  if (outcome.kind != ProbeOutcome::Kind::Answered) return WhyNoProbe(outcome);
  const ProbeAnswer& answer = outcome.answer;
  if (answer.verdict == kReached) return {};
  if (answer.verdict == kNoDevice) return QStringLiteral("%1がありません").arg(kind);
  return QStringLiteral("%1 \"%2\" を開けません (%3)")
      .arg(kind, QString::fromStdString(answer.text),
           QString::fromLocal8Bit(std::strerror(answer.detail)));
}

// The DRM device that Qt's KMS support takes: the one its configuration
// file names, else the first card in /dev/dri.
QString WhyNoDrm(const Environment& env, std::chrono::milliseconds limit) {
  QByteArray config = env("QT_QPA_EGLFS_KMS_CONFIG");
  if (config.isEmpty()) config = env("QT_QPA_KMS_CONFIG");
  const ProbeOutcome outcome = RunBounded(
      [&](const ProbeStage&) -> ProbeAnswer {
        QByteArray device;
        if (!config.isEmpty()) {
          QFile file(QFile::decodeName(config));
          if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && file.size() < 65536)
            device = QJsonDocument::fromJson(file.read(65536))
                         .object()
                         .value(QStringLiteral("device"))
                         .toString()
                         .toLocal8Bit();
        }
        if (device.isEmpty()) {
          QStringList cards = QDir(QStringLiteral("/dev/dri"))
                                  .entryList({QStringLiteral("card*")}, QDir::System, QDir::Name);
          if (cards.isEmpty()) return {kNoDevice, 0, {}, -1};
          device = "/dev/dri/" + QFile::encodeName(cards.first());
        }
        return OpenDevice(device, 0);
      },
      limit);
  return WhyNoDevice(outcome, QStringLiteral("DRM デバイス"), limit);
}

// The framebuffer device of linuxfb and of eglfs without a device
// integration: the one named, else /dev/fb0, else /dev/graphics/fb0.
QString WhyNoFramebuffer(const QByteArray& named, std::chrono::milliseconds limit) {
  const ProbeOutcome outcome = RunBounded(
      [&](const ProbeStage&) -> ProbeAnswer {
        QByteArray device = named;
        for (const char* usual : {"/dev/fb0", "/dev/graphics/fb0"}) {
          if (device.isEmpty() && access(usual, F_OK) == 0) device = usual;
        }
        if (device.isEmpty()) return {kNoDevice, 0, {}, -1};
        return OpenDevice(device, FBIOGET_VSCREENINFO);
      },
      limit);
  return WhyNoDevice(outcome, QStringLiteral("フレームバッファ デバイス"), limit);
}

// eglfs reaches its display through a device integration: the one
// QT_QPA_EGLFS_INTEGRATION names, else X11 where DISPLAY is set and KMS
// otherwise. Integrations of a board's own are left to Qt.
QString WhyNoEglDisplay(const Environment& env, std::chrono::milliseconds limit,
                        std::shared_ptr<void>* held) {
  QByteArray integration = env("QT_QPA_EGLFS_INTEGRATION");
  if (integration.isEmpty()) integration = env("DISPLAY").isEmpty() ? "eglfs_kms" : "eglfs_x11";
  if (integration.startsWith("eglfs_kms")) return WhyNoDrm(env, limit);
  if (integration == "eglfs_x11") return WhyNoX(env("DISPLAY"), env, limit, held);
  if (integration == "none") return WhyNoFramebuffer(env("QT_QPA_EGLFS_FB"), limit);
  return {};
}

// Qt and the libraries under it read their settings from the user's folders
// (the logging rules as soon as a plugin is looked at, fonts, keyboard
// compositions) with no limit: a home on a network mount whose server is
// gone would hold the program before any window. "" when each folder named
// answers (missing is an answer), otherwise which one does not.
QString WhyNoUserFolders(const Environment& env, std::chrono::milliseconds limit) {
  static constexpr const char* kFolders[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                             "XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
  QList<QByteArray> paths;
  for (const char* name : kFolders) paths << env(name);
  const ProbeOutcome outcome = RunBounded(
      [&](const ProbeStage& stage) -> ProbeAnswer {
        for (qsizetype i = 0; i < paths.size(); ++i) {
          stage(static_cast<int>(i) + 1);
          struct stat info {};
          if (!paths[i].isEmpty()) stat(paths[i].constData(), &info);
        }
        return {};
      },
      limit);
  if (outcome.kind == ProbeOutcome::Kind::Answered) return {};
  if (outcome.kind != ProbeOutcome::Kind::TimedOut) return WhyNoProbe(outcome);
  const qsizetype which = std::max(outcome.stage, 1) - 1;
  return QStringLiteral("%1 \"%2\" が %3 秒以内に応答しません")
      .arg(QString::fromLatin1(kFolders[which]), QString::fromLocal8Bit(paths[which]),
           Seconds(limit));
}

// The platforms Qt tries, in order, each with the options that follow its name.
QList<std::pair<QByteArray, QByteArray>> PlatformEntries(const QStringList& arguments,
                                                         const Environment& env) {
  QByteArray names = OptionValue(arguments, QStringLiteral("platform"));
  if (names.isEmpty()) names = env("QT_QPA_PLATFORM");
  if (names.isEmpty()) {
    names = "xcb";
    // Qt keeps to X11 on GNOME's Wayland sessions.
    const bool gnome = env("XDG_CURRENT_DESKTOP").toLower().contains("gnome") ||
                       env("XDG_SESSION_DESKTOP").toLower().contains("gnome");
    if (env("XDG_SESSION_TYPE") == "wayland" && !gnome) names = "wayland;xcb";
  }
  QList<std::pair<QByteArray, QByteArray>> entries;
  for (const QByteArray& entry : names.split(';')) {
    const qsizetype colon = entry.indexOf(':');
    const QByteArray name = (colon < 0 ? entry : entry.left(colon)).trimmed();
    if (!name.isEmpty()) entries.append({name, colon < 0 ? QByteArray() : entry.mid(colon + 1)});
  }
  return entries;
}

}  // namespace

// Connects to the Wayland compositor's socket as libwayland-client finds it
// and waits for its answer to a first request (wl_display.sync).
QString WhyNoWaylandCompositor(const Environment& env, std::chrono::milliseconds limit) {
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
  const ProbeOutcome outcome = RunBounded(
      [&](const ProbeStage&) -> ProbeAnswer {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0 ||
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
          return {kNoConnection, errno, {}, -1};
        // wl_display (object 1), request 0 (sync), 12 bytes, new callback object 2.
        const uint32_t sync[] = {1, 12u << 16, 2};
        if (write(fd, sync, sizeof sync) != static_cast<ssize_t>(sizeof sync))
          return {kNoConnection, errno, {}, -1};
        char reply;
        const ssize_t n = read(fd, &reply, 1);
        if (n == 1) return {};
        return {n == 0 ? kHungUp : kNoConnection, errno, {}, -1};
      },
      limit);
  switch (outcome.kind) {
    case ProbeOutcome::Kind::Answered:
      break;
    case ProbeOutcome::Kind::TimedOut:
      return QStringLiteral("Wayland コンポジタ \"%1\" が %2 秒以内に応答しません")
          .arg(shown, Seconds(limit));
    default:
      return WhyNoProbe(outcome);
  }
  if (outcome.answer.verdict == kReached) return {};
  if (outcome.answer.verdict == kHungUp)
    return QStringLiteral("Wayland コンポジタ \"%1\" が接続を閉じました").arg(shown);
  return QStringLiteral("Wayland コンポジタ \"%1\" に接続できません (%2)")
      .arg(shown, QString::fromLocal8Bit(std::strerror(outcome.answer.detail)));
}

QByteArray ProcessEnvironment(const char* name) { return qgetenv(name); }

QList<QByteArray> PlatformCandidates(const QStringList& arguments, const Environment& env) {
  QList<QByteArray> candidates;
  for (const auto& [name, options] : PlatformEntries(arguments, env)) candidates << name;
  return candidates;
}

QString WhyNoWindow(const QStringList& arguments, const Environment& env,
                    std::chrono::milliseconds limit, std::shared_ptr<void>* held) {
  if (QString why = WhyNoUserFolders(env, limit); !why.isEmpty()) return why;
  const QStringList folders = PluginFolders(arguments, env);
  QStringList reasons;
  for (const auto& [platform, options] : PlatformEntries(arguments, env)) {
    QString why = WhyNoPlugin(platform, folders);
    if (!why.isEmpty()) {
    } else if (platform == "xcb") {
      QByteArray display = OptionValue(arguments, QStringLiteral("display"));
      if (display.isEmpty()) display = env("DISPLAY");
      why = WhyNoX(display, env, limit, held);
    } else if (platform.startsWith("wayland")) {
      why = WhyNoWaylandCompositor(env, limit);
    } else if (platform == "linuxfb") {
      const QByteArray drm = env("QT_QPA_FB_DRM");
      why = !drm.isEmpty() && drm.toInt() != 0
                ? WhyNoDrm(env, limit)
                : WhyNoFramebuffer(PlatformOption(options, "fb"), limit);
    } else if (platform == "eglfs") {
      why = WhyNoEglDisplay(env, limit, held);
    }
    if (why.isEmpty()) return {};
    reasons << why;
  }
  if (reasons.isEmpty()) return QStringLiteral("Qt のプラットフォームが指定されていません");
  return reasons.join(QStringLiteral("; "));
}

}  // namespace kv::qt
