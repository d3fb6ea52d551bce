#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace platform {

// SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C, a closed terminal)
// delivered through the event loop instead of ending the process at once, so
// that it can end the way Quit ends it: files written, locks released. From
// the first construction to the end of the process each such signal becomes
// caught(), emitted by the event loop (a signal that came before the loop ran
// is emitted once it runs). Main thread only; needs the application object.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);

signals:
    // name: "SIGTERM", "SIGINT" or "SIGHUP".
    void caught(const QString& name);

private:
    void readCaught();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
