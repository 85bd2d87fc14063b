#pragma once
// The Internet time check: reads an RFC 868 time server and sets the clock.
#include <QWidget>

namespace lumisk {

class TTimeClient : public QWidget {
    Q_OBJECT
public:
    explicit TTimeClient(QWidget* parent = nullptr);
};

} // namespace lumisk
