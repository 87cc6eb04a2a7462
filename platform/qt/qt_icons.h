// Icons behind the opaque handles the forms' code passes around.
#pragma once

#include <QIcon>
#include <QSize>
#include <vector>

#include "platform/ui.h"

namespace kv::qt {

// The program's icon (16 x 16 and 32 x 32, with whole-number enlargements for
// high-density screens), built into the module. Its natural size is 32 x 32.
QIcon ProgramIcon();
inline constexpr QSize kProgramIconSize{32, 32};

// Hands out handles for icons; 0 stays "no icon". Handles live as long as the table.
class IconTable {
 public:
  struct Entry {
    QIcon icon;
    QSize naturalSize;
  };
  IconHandle Add(QIcon icon, QSize naturalSize);
  // nullptr for 0 and for handles this table did not hand out.
  const Entry* Find(IconHandle handle) const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace kv::qt
