#include "catalogue/favmanager.h"

#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/services.h"
#include "util/userdialogs.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"
#include "widgets/windowplacement.h"

#include <QByteArray>

namespace lumisk {

namespace {
// Where each line keeps the bytes of its favourite.
constexpr int kBytesRole = Qt::UserRole;
} // namespace

TFavManager::TFavManager(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TFavManager");
    setWindowTitle("Favorites Manager");
    setFixedSize(319, 223);
    setFont(DesignFont());

    Bevel1 = Put(new QFrame(this), "Bevel1", 0, 0, 319, 223);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Label1 = PutLabel(this, "Label1", "Current Favourites", 8, 8);
    ListBox1 = Put(new QListWidget(this), "ListBox1", 8, 24, 305, 161);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Button1 = PutButton(this, "Button1", "Delete", nullptr, 8, 192, 75, 25);
    Button2 = PutButton(this, "Button2", "Close", nullptr, 88, 192, 75, 25);
    setTabOrder(ListBox1, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button2Click(); }); });
    // Enter and Escape close; Delete is pressed only on purpose.
    UseDialogKeys(this, Button2);
}

void TFavManager::Button1Click() {
    QListWidgetItem* selected = ListBox1->currentItem();
    if (!selected || !selected->isSelected()) {
        Services().Dialogs->Error("Highlight a favourite first.");
        return;
    }
    const int row = ListBox1->row(selected);
    delete ListBox1->takeItem(row);
    const int count = ListBox1->count();
    if (count == 0) {
        ListBox1->setCurrentRow(-1);
        ListBox1->clearSelection();
        return;
    }
    ListBox1->setCurrentRow(row < count ? row : count - 1);
}

void TFavManager::Button2Click() {
    hide();
}

void TFavManager::SetFavourites(const std::vector<std::string>& favourites) {
    ListBox1->clear();
    for (const std::string& bytes : favourites) {
        auto* item = new QListWidgetItem(BytesToDisplay(bytes), ListBox1);
        item->setData(kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
}

std::vector<std::string> TFavManager::Favourites() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        out.push_back(ListBox1->item(i)->data(kBytesRole).toByteArray().toStdString());
    return out;
}

void TFavManager::showEvent(QShowEvent* event) {
    TWindowPlacement::Place(this, TPlacement::Centred);
    QWidget::showEvent(event);
}

} // namespace lumisk
