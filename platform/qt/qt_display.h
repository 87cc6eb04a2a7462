// Whether Qt can open a window here, found before Qt is asked to: Qt ends the
// process when its platform plugin is missing or cannot reach its display.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
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

// "" when the Wayland compositor's socket (WAYLAND_DISPLAY, by default
// wayland-0, in XDG_RUNTIME_DIR) takes a connection, or one was handed down
// (WAYLAND_SOCKET); otherwise why not.
QString WhyNoWaylandCompositor(const Environment& env);

// "" when one of the platform candidates has its plugin and reaches its
// display (an X server as -display or DISPLAY names it; a Wayland compositor
// at WAYLAND_DISPLAY in XDG_RUNTIME_DIR); otherwise why none can, in one line.
// With held, the connection made to the X server stays open until *held is
// released: release it once Qt has connected (an X server without clients
// resets itself and turns away the next one meanwhile).
QString WhyNoWindow(const QStringList& arguments, const Environment& env = ProcessEnvironment,
                    std::shared_ptr<void>* held = nullptr);

}  // namespace kv::qt
