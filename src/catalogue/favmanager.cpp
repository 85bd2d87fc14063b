#include "catalogue/favmanager.h"

namespace lumisk {

TFavManager::TFavManager(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TFavManager");
    setWindowTitle("Favorites Manager");
    resize(319, 223);
}

} // namespace lumisk
