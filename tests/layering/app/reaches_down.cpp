// A portable file that reaches past the platform's interfaces: the layering
// check must name each of the last four includes, and only those.
#include <string>

#include "platform/ui.h"
#include "app/frmSystem.h"
#include <unistd.h>
#include <QLabel>
#include <windows.h>
#include "platform/linux/volumes.h"
