// Every window is laid out in fixed pixels: each caption must fit its
// control and no label may be covered by a neighbour.
#include "support/mainformfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace lumisk;
using namespace lumisk::test;

class Layout : public MainFormFixture {};

TEST_F(Layout, CaptionsFitTheirControls) {
    QStringList problems;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->objectName().startsWith('T')) continue;
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (b->text().isEmpty() || !b->parentWidget()) continue;
            const int need = qobject_cast<QCheckBox*>(b)
                                 ? b->sizeHint().width()
                                 : b->fontMetrics().horizontalAdvance(b->text()) + 4;
            if (need > b->width())
                problems << window->objectName() + "." + b->objectName() + " needs " +
                                QString::number(need) + " has " + QString::number(b->width());
        }
        for (QLabel* l : window->findChildren<QLabel*>()) {
            if (l->text().isEmpty() || l->wordWrap() || !l->pixmap().isNull()) continue;
            // Where the text itself lies inside the label.
            const int width = l->fontMetrics().horizontalAdvance(l->text());
            int left = l->x();
            if (l->alignment() & Qt::AlignHCenter) left += (l->width() - width) / 2;
            if (l->alignment() & Qt::AlignRight) left += l->width() - width;
            const QRect text(left, l->y(), width, l->height());
            for (QObject* o : l->parentWidget()->children()) {
                auto* other = qobject_cast<QWidget*>(o);
                if (!other || other == l || other->isHidden() ||
                    qobject_cast<QLabel*>(other) || other->geometry().contains(l->geometry()))
                    continue;
                if (other->geometry().intersects(text.adjusted(0, 2, -1, -2)))
                    problems << window->objectName() + "." + l->objectName() + " under " +
                                    other->objectName();
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
}
