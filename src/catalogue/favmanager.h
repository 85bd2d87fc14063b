#pragma once
// The favourites manager: deletes favourites from the list.
#include <QWidget>

namespace lumisk {

class TFavManager : public QWidget {
    Q_OBJECT
public:
    explicit TFavManager(QWidget* parent = nullptr);
};

} // namespace lumisk
