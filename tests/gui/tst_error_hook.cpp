// The global error hook: an error escaping an event handler is shown and the
// program goes on.

#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "platform/vyjimka.h"
#include "shell/app/application.h"

using namespace kresbon;

namespace {

class Thrower : public QObject {
public:
    std::string message;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw std::runtime_error(message);
        if (e->type() == QEvent::User + 1) throw vyjimka(message);
        return QObject::event(e);
    }
};

}  // namespace

class ErrorHookTest : public QObject {
    Q_OBJECT
private slots:
    void errorsReachTheHookAndTheLoopGoesOn()
    {
        auto* app = qobject_cast<KresbonApplication*>(QCoreApplication::instance());
        QVERIFY(app);
        QStringList shown;
        app->setErrorHook([&](const QString& m) { shown << m; });
        Thrower script;
        script.message = "Soubor \x9E";
        QEvent scriptEvent(QEvent::Type(QEvent::User + 1));
        QCoreApplication::sendEvent(&script, &scriptEvent);
        Thrower file;
        file.message = "Cannot write \"/tmp/\xC5\xBE.krs\"";
        QCoreApplication::postEvent(&file, new QEvent(QEvent::User));
        QTRY_COMPARE(shown.size(), 2);
        // A script error carries Windows-1250 text, other errors UTF-8.
        QCOMPARE(shown[0], QString::fromUtf8("Soubor \xC5\xBE"));
        QCOMPARE(shown[1], QString::fromUtf8("Cannot write \"/tmp/\xC5\xBE.krs\""));
        bool later = false;
        QTimer::singleShot(0, [&] { later = true; });
        QTRY_VERIFY(later);
        app->setErrorHook(nullptr);
    }
};

int main(int argc, char** argv)
{
    KresbonApplication app(argc, argv);
    ErrorHookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_error_hook.moc"
