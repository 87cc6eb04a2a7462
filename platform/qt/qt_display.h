// Whether Qt can open a window here, found before Qt is asked to: Qt ends the
// process when its platform plugin is missing or cannot reach its display.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

namespace kv::qt {

// An environment variable's value; empty when it is not set.
using Environment = std::function<QByteArray(const char* name)>;

// The process's own environment.
QByteArray ProcessEnvironment(const char* name);

// The platforms Qt tries, in order, for these command-line arguments (after
// the program name) and environment: -platform, else QT_QPA_PLATFORM, else
// the desktop session's platform with X11 after it.
QList<QByteArray> PlatformCandidates(const QStringList& arguments, const Environment& env);

// "" when the Wayland compositor behind its socket (WAYLAND_DISPLAY, by
// default wayland-0, in XDG_RUNTIME_DIR) answers within limit, or a
// connection was handed down (WAYLAND_SOCKET); otherwise why not.
QString WhyNoWaylandCompositor(const Environment& env, std::chrono::milliseconds limit);

// "" when the user's folders (HOME, the XDG folders) answer within limit and
// one of the platform candidates has its plugin and reaches its
// display within limit: an X server as -display or DISPLAY names it
// (connected, authorised with the XAUTHORITY file, its setup answered); a
// Wayland compositor; the framebuffer device of linuxfb; the DRM device, the
// X server or the framebuffer of eglfs, as its device integration needs.
// Otherwise why none can, in one line. Whatever may not answer is asked in a
// process of its own (RunBounded), so nothing holds the program longer.
// With held, the connection made to the X server stays open until *held is
// released: release it once Qt has connected (an X server without clients
// resets itself and turns away the next one meanwhile).
QString WhyNoWindow(const QStringList& arguments, const Environment& env,
                    std::chrono::milliseconds limit, std::shared_ptr<void>* held = nullptr);

}  // namespace kv::qt
