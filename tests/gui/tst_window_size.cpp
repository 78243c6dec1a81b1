// The main window at its design size and maximized, in both languages: every
// text of the drawing toolbar stands whole, and the editor keeps its share of
// the width as the window grows and shrinks.

#include <QCheckBox>
#include <QLabel>
#include <QSplitter>
#include <QTest>

#include "platform/texts.h"
#include "shell/settings/settings_file.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

QString Named(const QWidget* widget)
{
    QString name = widget->objectName();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) name += QStringLiteral(" \"%1\"").arg(label->text());
    return name;
}

// The widgets of the drawing toolbar that are cut, stand outside it or lie
// over one another.
QStringList ToolbarFaults(const MainWindow& w)
{
    QWidget* bar = w.form().P_VYKRES_TOOLBAR;
    QStringList faults;
    if (bar->height() < bar->heightForWidth(bar->width())) faults << QStringLiteral("toolbar rows cut");
    QList<QWidget*> shown;
    for (QWidget* child : bar->findChildren<QWidget*>()) {
        if (child->isWindow() || !child->isVisible()) continue;
        shown << child;
        const QRect at(child->mapTo(bar, QPoint(0, 0)), child->size());
        if (child->width() < child->sizeHint().width() || child->height() < child->minimumSizeHint().height())
            faults << Named(child) + QStringLiteral(" cut");
        if (!bar->rect().contains(at)) faults << Named(child) + QStringLiteral(" outside");
    }
    for (QWidget* a : shown)
        for (QWidget* b : shown)
            if (a < b && a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                faults << Named(a) + QStringLiteral(" over ") + Named(b);
    return faults;
}

double EditorShare(const MainWindow& w)
{
    const QList<int> sizes = w.form().Splitter1->sizes();
    return double(sizes[0]) / (sizes[0] + sizes[1]);
}

}  // namespace

class WindowSizeTest : public QObject {
    Q_OBJECT
private slots:
    void toolbarTextsStandWholeAtEverySize()
    {
        for (int language : {EnglishBase, CzechBase}) {
            Sandbox box;
            box.write("demo.krs", "Line 1, 1, 20, 20\n");
            box.writeSettings(language == CzechBase ? "[MainForm]\nLanguage=2000\n" : "[MainForm]\nLanguage=1000\n");
            FakeDialogs dialogs;
            MainWindow w(box.environment(), dialogs);
            QVERIFY(Started(w));
            QCOMPARE(w.size(), QSize(533, 335));
            QCOMPARE(w.form().P_SCRIPT->width(), 160);
            const QString where = QStringLiteral("language %1 ").arg(language);
            QStringList faults = ToolbarFaults(w);
            QVERIFY2(faults.isEmpty(), qPrintable(where + "533x335: " + faults.join(", ")));
            // The layer boxes still work where they stand.
            QTest::mouseClick(w.layerBox(9), Qt::LeftButton, {}, QPoint(4, 4));
            QVERIFY(!w.layerShown(9));

            // Narrower than designed, the toolbar takes more rows.
            w.resize(440, 335);
            QTRY_COMPARE(w.width(), 440);
            faults = ToolbarFaults(w);
            QVERIFY2(faults.isEmpty(), qPrintable(where + "440 wide: " + faults.join(", ")));

            w.showMaximized();
            QTRY_VERIFY(w.width() > 533);
            faults = ToolbarFaults(w);
            QVERIFY2(faults.isEmpty(), qPrintable(where + "maximized: " + faults.join(", ")));
        }
    }

    void editorKeepsItsShareOfTheWidth()
    {
        Sandbox box;
        box.write("demo.krs", "Line 1, 1, 20, 20\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(w.form().P_SCRIPT->width(), 160);
        const double designed = EditorShare(w);

        w.showMaximized();
        QTRY_VERIFY(w.width() > 700);
        QTRY_VERIFY(w.form().P_SCRIPT->width() > 200);
        QVERIFY2(std::abs(EditorShare(w) - designed) < 0.005, qPrintable(QString::number(EditorShare(w))));

        w.showNormal();
        QTRY_COMPARE(w.width(), 533);
        QTRY_COMPARE(w.form().P_SCRIPT->width(), 160);

        // A share the user sets with the handle is the one kept from then on.
        QSplitterHandle* handle = w.form().Splitter1->handle(1);
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(1, 50));
        QTest::mouseMove(handle, QPoint(41, 50));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(41, 50));
        QTRY_VERIFY(w.form().P_SCRIPT->width() > 180);
        const int dragged = w.form().P_SCRIPT->width();
        const double chosen = EditorShare(w);
        w.resize(700, 335);
        QTRY_COMPARE(w.width(), 700);
        QVERIFY2(std::abs(EditorShare(w) - chosen) < 0.005, qPrintable(QString::number(EditorShare(w))));
        w.resize(533, 335);
        QTRY_COMPARE(w.form().P_SCRIPT->width(), dragged);

        // Closed maximized, the editor's width is kept for the window's
        // normal size, which the next start opens at.
        w.showMaximized();
        QTRY_VERIFY(w.form().P_SCRIPT->width() > 250);
        QVERIFY(w.close());
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("MainForm", "Maximized"), std::string("1"));
        QCOMPARE(settings.Read("MainForm", "Width"), std::string("533"));
        QCOMPARE(settings.Read("MainForm", "Splitter"), std::to_string(dragged));
    }
};

QTEST_MAIN(WindowSizeTest)
#include "tst_window_size.moc"
