#include "platform/qt/qt_icons.h"

#include <QPixmap>

namespace kv::qt {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/kavreno/icons/%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

IconHandle IconTable::Add(QIcon icon, QSize naturalSize) {
  entries_.push_back({std::move(icon), naturalSize});
  return static_cast<IconHandle>(entries_.size());
}

const IconTable::Entry* IconTable::Find(IconHandle handle) const {
  if (handle == 0 || handle > entries_.size()) return nullptr;
  return &entries_[handle - 1];
}

}  // namespace kv::qt
