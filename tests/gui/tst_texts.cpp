// Interface texts, the language switch and the message box.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "platform/texts.h"
#include "shell/dialogs/about_dialog.h"
#include "shell/texts/file_filters.h"
#include "shell/dialogs/message_box.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

QString T(int base, int n)
{
    return QString::fromStdString(TextUtf8(base, n));
}

// Every caption, hint and label of the window against the table of the
// language; an empty list means all agree.
QStringList Mismatches(MainWindow& w, int base)
{
    const Ui::FormMain& ui = w.form();
    QStringList wrong;
    auto check = [&](const QString& name, const QString& shown, int n) {
        if (shown != T(base, n)) wrong << name + ": " + shown + " != " + T(base, n);
    };
    const std::pair<QAction*, int> items[] = {
        {ui.MnuScript->menuAction(), 203}, {w.action("MnuNew"), 204}, {w.action("MnuOpenScr"), 205},
        {w.action("MnuSaveScr"), 206}, {w.action("MnuSaveScrAs"), 207}, {w.action("MnuFont"), 208}, {w.action("MnuKonec"), 209},
        {ui.MnuEdit->menuAction(), 920}, {ui.MnuVykres->menuAction(), 210}, {w.action("MnuRefresh"), 211}, {w.action("MnuClear"), 212},
        {w.action("MnuSavePic"), 213}, {w.action("MnuPrintPic"), 214}, {ui.MnuAbout->menuAction(), 215},
        {w.action("MnuNapObsah"), 216}, {w.action("MnuNapHledat"), 926}, {w.findChild<QMenu*>("MnuJazyk")->menuAction(), 218},
        {w.action("MnuJazyk_EN"), 219}, {w.action("MnuJazyk_CZ"), 220}, {w.action("MnuOprogramu"), 221},
        {w.findChild<QMenu*>("MnuLayers")->menuAction(), 311}, {w.action("MnuLayerAll"), 321}, {w.action("MnuLayerNone"), 322},
    };
    for (const auto& [action, n] : items) check(action->menu() ? action->menu()->objectName() : action->objectName(), action->text(), n);
    for (int layer = 1; layer <= 9; ++layer) check(QString("MnuLayer%1").arg(layer), w.layerItem(layer)->text(), 311 + layer);
    const std::pair<QToolButton*, int> hints[] = {
        {ui.BtnNew, 222}, {ui.BtnOpenScr, 223}, {ui.BtnSaveScr, 224},
        {ui.BtnRefresh, 225}, {ui.BtnSavePic, 226}, {ui.BtnPrintPic, 227},
    };
    for (const auto& [button, n] : hints) check(button->objectName(), button->toolTip(), n);
    const char* popup[] = {"PopMemoNew", "PopMemoOpenScr", "PopMemoSaveScr", "PopMemoSaveScrAs", "PopMemoFont"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = w.editorPopup()->findChild<QAction*>(popup[i]);
        if (!a) wrong << QString(popup[i]) + " missing";
        else check(popup[i], a->text(), 228 + i);
    }
    check("L_VRSTVY", ui.L_VRSTVY->text(), 310);
    if (w.action("MnuJazyk_EN")->isChecked() != (base == EnglishBase)) wrong << "MnuJazyk_EN check mark";
    if (w.action("MnuJazyk_CZ")->isChecked() != (base == CzechBase)) wrong << "MnuJazyk_CZ check mark";
    const MessageCaptions& c = w.messageCaptions();
    const QString captions[] = {c.yes, c.no, c.ok, c.cancel, c.help, c.abort, c.retry, c.ignore,
                                c.all, c.warning, c.error, c.information, c.confirm};
    for (int i = 0; i < 13; ++i) check(QString("caption %1").arg(79 + i), captions[i], 79 + i);
    if (w.scriptFileFilter() != ScriptFileFilter(base)) wrong << "script filter";
    if (w.pictureFileFilter() != PictureFileFilter(base)) wrong << "picture filter";
    return wrong;
}

// Shows a real message box without blocking, runs the key or close on it
// and gives the answer and whether the box is still open.
std::pair<QMessageBox::StandardButton, bool> Drive(QMessageBox::StandardButtons buttons,
                                                   const std::function<void(KresbonMessageBox&)>& act)
{
    MessageRequest r;
    r.title = "Title";
    r.text = "Text";
    r.buttons = buttons;
    r.captions = LoadMessageCaptions(EnglishBase);
    KresbonMessageBox box(r);
    box.show();
    act(box);
    return {box.answer(), box.isVisible()};
}

}  // namespace

class TextsTest : public QObject {
    Q_OBJECT
private slots:
    void languageSwitchRetextsEverythingAndIsRemembered()
    {
        Sandbox box;
        box.write("demo.krs", "% demo");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        AboutDialog about(&w);
        w.setAboutDialog(&about);
        QVERIFY(Started(w));
        QCOMPARE(Mismatches(w, EnglishBase), QStringList());
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        QCOMPARE(about.windowTitle(), T(EnglishBase, 101));

        const int runs = w.runCount();
        w.action(QStringLiteral("MnuJazyk_CZ"))->trigger();
        QCOMPARE(w.languageBase(), CzechBase);
        QCOMPARE(Mismatches(w, CzechBase), QStringList());
        QCOMPARE(about.windowTitle(), T(CzechBase, 101));
        QCOMPARE(SettingsFile(box.path("Kresbon.ini").toStdString()).Read("MainForm", "Language"), std::string("2000"));
        // The caption keeps naming the script; nothing is run again.
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        QCOMPARE(w.runCount(), runs);
        w.saveScript();
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        dialogs.saveNames = {box.path("demo.krs")};
        dialogs.answers = {QMessageBox::Yes};
        w.saveScriptAs();
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        QCOMPARE(dialogs.questions().back().title, QString::fromUtf8("Varování"));
        QCOMPARE(dialogs.questions().back().captions.yes, QString::fromUtf8("&Ano"));
        QCOMPARE(dialogs.saveRequests.back().nameFilters.front(), QString::fromUtf8("Soubory KRS (*.krs)"));

        // Choosing the current language again does it all again.
        w.action(QStringLiteral("MnuJazyk_CZ"))->trigger();
        QCOMPARE(Mismatches(w, CzechBase), QStringList());
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));

        w.action(QStringLiteral("MnuJazyk_EN"))->trigger();
        QCOMPARE(Mismatches(w, EnglishBase), QStringList());
        QCOMPARE(about.windowTitle(), T(EnglishBase, 101));
        QCOMPARE(SettingsFile(box.path("Kresbon.ini").toStdString()).Read("MainForm", "Language"), std::string("1000"));
    }

    void startsInCzechFromTheSettings()
    {
        Sandbox box;
        box.writeSettings("[MainForm]\nLanguage=2000\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QCOMPARE(Mismatches(w, CzechBase), QStringList());
    }

    void messagesOfTheFourBoxes()
    {
        const MessageCaptions en = LoadMessageCaptions(EnglishBase);
        const MessageRequest error = ErrorNotice(en, "boom");
        QCOMPARE(error.title, QString("Error"));
        QCOMPARE(error.buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QCOMPARE(error.defaultButton, QMessageBox::Yes);
        const MessageRequest warning = WarningNotice(en, "careful");
        QCOMPARE(warning.title, QString("Warning"));
        QCOMPARE(warning.kind, MessageKind::Warning);

        const MessageCaptions cs = LoadMessageCaptions(CzechBase);
        const MessageRequest save = SaveQuestion(cs, CzechBase, "/x/a.krs");
        QCOMPARE(save.text, T(CzechBase, 301) + "\"/x/a.krs\")?");
        QCOMPARE(save.title, QString::fromUtf8("Varování"));
        QCOMPARE(SaveQuestion(cs, CzechBase, "").text, T(CzechBase, 303));
        QCOMPARE(OverwriteQuestion(en, EnglishBase, "/x/a.bmp").text, QString("File \"/x/a.bmp\" already exist. Rewrite?"));
        QCOMPARE(cs.cancel, QString::fromUtf8("Storno"));
        QCOMPARE(cs.error, QString::fromUtf8("Chyba"));
    }

    void messageBoxButtonsAreLocalized()
    {
        MessageRequest r = SaveQuestion(LoadMessageCaptions(CzechBase), CzechBase, "");
        KresbonMessageBox box(r);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Ano"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QString::fromUtf8("&Ne"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Storno"));
        QCOMPARE(box.defaultButton(), box.button(QMessageBox::Yes));
        QCOMPARE(box.windowTitle(), QString::fromUtf8("Varování"));
        QCOMPARE(box.icon(), QMessageBox::Warning);
        QCOMPARE(box.buttons().size(), 3);

        KresbonMessageBox notice(ErrorNotice(LoadMessageCaptions(CzechBase), "a\rb"));
        QCOMPARE(notice.buttons().size(), 1);
        QCOMPARE(notice.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Ano"));
        QCOMPARE(notice.icon(), QMessageBox::Critical);
        QCOMPARE(notice.text(), QString("a\nb"));
    }

    void escapeAndCloseOfTheMessageBox()
    {
        const auto escape = [](KresbonMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); };
        const auto closeBox = [](KresbonMessageBox& b) { b.close(); };
        const auto yes = [](KresbonMessageBox& b) { b.button(QMessageBox::Yes)->click(); };
        const auto enter = [](KresbonMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); };
        using B = QMessageBox;

        QCOMPARE(Drive(B::Yes | B::No | B::Cancel, escape), std::make_pair(B::Cancel, false));
        QCOMPARE(Drive(B::Yes | B::No, escape), std::make_pair(B::No, false));
        // A notice ignores Escape.
        QCOMPARE(Drive(B::Yes, escape).second, true);
        QCOMPARE(Drive(B::Yes | B::No | B::Cancel, closeBox), std::make_pair(B::Cancel, false));
        QCOMPARE(Drive(B::Yes | B::No, closeBox), std::make_pair(B::Cancel, false));
        QCOMPARE(Drive(B::Yes, closeBox), std::make_pair(B::Cancel, false));
        QCOMPARE(Drive(B::Yes | B::No, yes), std::make_pair(B::Yes, false));
        QCOMPARE(Drive(B::Yes | B::No | B::Cancel, enter), std::make_pair(B::Yes, false));
    }

    void fileFilters()
    {
        QCOMPARE(ScriptFileFilter(EnglishBase), QString("KRS Files (*.krs)|*.krs|All Files (*.*)|*.*"));
        QCOMPARE(PictureFileFilter(EnglishBase),
                 QString("BMP Files (*.bmp)|*.bmp|JPEG Files (*.jpg, *.jpeg)|*.jpg;*.jpeg|GIF Files (*.gif)|*.gif|"
                         "PNG Files (*.png)|*.png|SVG Files (*.svg)|*.svg|PDF Files (*.pdf)|*.pdf|"
                         "DXF Files (*.dxf)|*.dxf|Pictures (*.bmp, *.jpg, *.jpeg, *.gif, *.png, *.svg, *.pdf, *.dxf)|"
                         "*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.svg;*.pdf;*.dxf|All Files (*.*)|*.*"));
        QCOMPARE(ToNameFilters(PictureFileFilter(CzechBase)),
                 QStringList({QString::fromUtf8("Soubory BMP (*.bmp)"), QString::fromUtf8("Soubory JPEG (*.jpg *.jpeg)"),
                              QString::fromUtf8("Soubory GIF (*.gif)"), QString::fromUtf8("Soubory PNG (*.png)"),
                              QString::fromUtf8("Soubory SVG (*.svg)"), QString::fromUtf8("Soubory PDF (*.pdf)"),
                              QString::fromUtf8("Soubory DXF (*.dxf)"),
                              QString::fromUtf8("Obrázky (*.bmp *.jpg *.jpeg *.gif *.png *.svg *.pdf *.dxf)"),
                              QString::fromUtf8("Všechny soubory (*)")}));
        QCOMPARE(ToNameFilters("Plain|*.txt"), QStringList({"Plain (*.txt)"}));
        QCOMPARE(ToNameFilters("dangling"), QStringList());
        QCOMPARE(FirstSuffixOf("JPEG Files (*.jpg *.jpeg)"), QString("jpg"));
        QCOMPARE(FirstSuffixOf("BMP Files (*.bmp)"), QString("bmp"));
        QCOMPARE(FirstSuffixOf("All Files (*)"), QString());
    }
};

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
