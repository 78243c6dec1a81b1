#pragma once

#include <QApplication>
#include <functional>

namespace kresbon {

// The application object with the global error hook: an error that escapes
// any event handler is shown by the hook and the program goes on with the
// next user action.
class KresbonApplication : public QApplication {
    Q_OBJECT
public:
    // An error without a message of its own is reported with an empty one.
    using ErrorHook = std::function<void(const QString& message)>;

    KresbonApplication(int& argc, char** argv);

    void setErrorHook(ErrorHook hook) { hook_ = std::move(hook); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& message);

    ErrorHook hook_;
};

}  // namespace kresbon
