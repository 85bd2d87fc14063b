// Every window is laid out in fixed pixels: each caption must fit its
// control at the design font (a wrapped or multi-line label by its height
// too) and no label may be covered by a neighbour.
#include "support/mainformfixture.h"
#include "widgets/designfont.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocumentFragment>

using namespace lumisk;
using namespace lumisk::test;

namespace {

// The text as drawn: without the access key's mark ("&&" is a plain "&").
QString Shown(QString text) {
    text.replace("&&", QStringLiteral("\x01"));
    text.remove('&');
    return text.replace(QChar(1), '&');
}

// Why a label's text does not fit inside it, or nothing.
QString LabelOverflow(const QLabel* l) {
    QString text = l->text();
    if (l->textFormat() == Qt::RichText ||
        (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
    else if (l->buddy())
        text = Shown(text);
    const QRect room = l->contentsRect().adjusted(l->indent() > 0 ? l->indent() : 0, 0, 0, 0);
    const QFontMetrics metrics = l->fontMetrics();
    const int flags = Qt::TextExpandTabs | (l->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 100000), flags, text);
    if (needed.width() > room.width() || needed.height() > room.height())
        return QString("needs %1 x %2 has %3 x %4")
            .arg(needed.width())
            .arg(needed.height())
            .arg(room.width())
            .arg(room.height());
    return {};
}

} // namespace

class Layout : public MainFormFixture {};

TEST_F(Layout, CaptionsFitTheirControls) {
    // Started, so that the texts set at start-up are measured too.
    WriteNumberedCatalogue(120);
    WriteKnownVersion();
    Start();
    QStringList problems;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->objectName().startsWith('T')) continue;
        if (window->font().pixelSize() != DesignFont().pixelSize())
            problems << window->objectName() + " is not at the design font";
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (b->text().isEmpty() || !b->parentWidget()) continue;
            const int need = qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)
                                 ? b->sizeHint().width()
                                 : b->fontMetrics().horizontalAdvance(Shown(b->text())) + 4;
            if (need > b->width())
                problems << window->objectName() + "." + b->objectName() + " needs " +
                                QString::number(need) + " has " + QString::number(b->width());
        }
        for (QLabel* l : window->findChildren<QLabel*>()) {
            if (l->text().isEmpty() || !l->pixmap().isNull()) continue;
            if (const QString overflow = LabelOverflow(l); !overflow.isEmpty())
                problems << window->objectName() + "." + l->objectName() + " " + overflow;
            if (l->wordWrap()) continue;
            // Where the text itself lies inside the label.
            const int width = l->fontMetrics().horizontalAdvance(l->text());
            int left = l->x();
            if (l->alignment() & Qt::AlignHCenter) left += (l->width() - width) / 2;
            if (l->alignment() & Qt::AlignRight) left += l->width() - width;
            const QRect text(left, l->y(), width, l->height());
            for (QObject* o : l->parentWidget()->children()) {
                auto* other = qobject_cast<QWidget*>(o);
                if (!other || other == l || other->isHidden() || qobject_cast<QLabel*>(other) ||
                    other->geometry().contains(l->geometry()))
                    continue;
                if (other->geometry().intersects(text.adjusted(0, 2, -1, -2)))
                    problems << window->objectName() + "." + l->objectName() + " under " +
                                    other->objectName();
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
}
