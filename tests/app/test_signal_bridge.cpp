// The bridge from Unix signals into the event loop: a signal becomes terminationRequested,
// a handler that cannot be installed is reported and leaves nothing behind, and the handlers
// in place before the bridge are back, as they were, once it is gone.
#include <fcntl.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "app/signal_bridge.h"

using tolvane::app::SignalBridge;

namespace {

volatile sig_atomic_t ownHandlerCalls = 0;
extern "C" void ownHandler(int) {
  ownHandlerCalls = ownHandlerCalls + 1;
}

using Handler = void (*)(int);

Handler currentHandler(int number) {
  struct sigaction now {};
  sigaction(number, nullptr, &now);
  return now.sa_handler;
}

void install(int number, Handler handler, int flags = 0) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(number, &action, nullptr);
}

}  // namespace

Q_DECLARE_METATYPE(Handler)

class SignalBridgeTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) install(number, SIG_DFL);
  }

  void signalReachesTheEventLoop() {
    SignalBridge bridge;
    QVERIFY(bridge.active());
    QVERIFY(bridge.error().isEmpty());
    QSignalSpy requested(&bridge, &SignalBridge::terminationRequested);
    ::raise(SIGHUP);
    QTRY_COMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), int(SIGHUP));
  }

  // Whatever was in place before (ignored as under nohup, a program's own handler with its
  // flags, the default) is what the signal finds after the bridge.
  void previousHandlersAreBack_data() {
    QTest::addColumn<Handler>("before");
    QTest::addColumn<int>("flags");
    QTest::newRow("ignored") << Handler(SIG_IGN) << 0;
    QTest::newRow("an own handler") << Handler(ownHandler) << int(SA_RESTART | SA_NODEFER);
    QTest::newRow("the default") << Handler(SIG_DFL) << 0;
  }
  void previousHandlersAreBack() {
    QFETCH(Handler, before);
    QFETCH(int, flags);
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) install(number, before, flags);
    {
      SignalBridge bridge;
      QVERIFY(bridge.active());
      QVERIFY(currentHandler(SIGHUP) != before);
    }
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
      struct sigaction now {};
      sigaction(number, nullptr, &now);
      QVERIFY(now.sa_handler == before);
      QCOMPARE(now.sa_flags & (SA_RESTART | SA_NODEFER), flags);
    }
    if (before == Handler(ownHandler)) {
      ownHandlerCalls = 0;
      ::raise(SIGHUP);
      QCOMPARE(int(ownHandlerCalls), 1);
    }
  }

  // A signal that cannot be caught: the bridge says so, is not active, and the handlers it had
  // installed before the failure are taken back.
  void failedInstallIsReportedAndUndone() {
    install(SIGTERM, ownHandler);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be caught"));
    SignalBridge bridge(nullptr, {SIGTERM, SIGKILL});
    QVERIFY(!bridge.active());
    QVERIFY2(bridge.error().contains(QString::number(SIGKILL)), qPrintable(bridge.error()));
    QVERIFY(currentHandler(SIGTERM) == Handler(ownHandler));
  }

  // A signal handled while the bridge is going, or after it went, writes into the bridge's own
  // pipe, never into a descriptor number that was closed and given to a new file.
  void signalAfterTheBridgeWritesIntoNoOtherFile() {
    Handler bridgeHandler = nullptr;
    {
      SignalBridge bridge;
      bridgeHandler = currentHandler(SIGTERM);
    }
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath("new.dat"));
    std::vector<int> opened;
    for (int i = 0; i < 8; ++i) {
      opened.push_back(::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    }
    bridgeHandler(SIGTERM);
    for (const int fd : opened) ::close(fd);
    QCOMPARE(QFileInfo(dir.filePath("new.dat")).size(), 0);

    // The byte it wrote is no request to the next bridge.
    SignalBridge next;
    QSignalSpy requested(&next, &SignalBridge::terminationRequested);
    QTest::qWait(50);
    QCOMPARE(requested.count(), 0);
  }
};

QTEST_GUILESS_MAIN(SignalBridgeTest)
#include "test_signal_bridge.moc"
