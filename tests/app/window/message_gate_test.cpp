// Races between the search thread and the window: only the admitted
// search gets through, and a revoked sender never hangs. A handler that
// revokes its own sender is the window's search end, walked by its tests.

#include <atomic>
#include <list>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QtTest>

#include "app/window/message_gate.h"
#include "platform/stop.h"

using quennit::CMessageGate;
using quennit::LPARAM;
using quennit::LRESULT;
using quennit::WPARAM;

// A window thread that never serves the first message it is sent, so that
// its sender is known to be waiting in the send.
class NeverServesFirst : public QObject {
  public:
    std::atomic<bool> swallowed{false};
    bool event(QEvent* e) override {
        if (e->type() == QEvent::MetaCall && !swallowed.exchange(true)) {
            return true;
        }
        return QObject::event(e);
    }
};

class MessageGateTest : public QObject {
    Q_OBJECT

  private:
    NeverServesFirst m_receiver;
    std::vector<WPARAM> m_deliveries;
    std::unique_ptr<CMessageGate> m_gate;
    std::list<std::stop_source> m_searches;

    // Admits a search and runs body on a thread of its own under its token.
    std::thread StartSearch(std::function<void()> body) {
        const std::stop_token token = m_searches.emplace_back().get_token();
        std::thread thread;
        m_gate->StartAdmitted(token, [&] {
            thread = std::thread([token, body] {
                const quennit::ScopedStopToken scope(token);
                body();
            });
            return true;
        });
        return thread;
    }

  private slots:
    void init() {
        m_deliveries.clear();
        m_receiver.swallowed = false;
        m_gate = std::make_unique<CMessageGate>(&m_receiver,
                                                [this](std::uint32_t, WPARAM wParam, LPARAM) {
                                                    m_deliveries.push_back(wParam);
                                                    return static_cast<LRESULT>(100 + wParam);
                                                });
    }

    // The window stops a search and joins its thread without serving its
    // queue: the thread, blocked in a send, must get free, and stay out once
    // a new search is admitted.
    void revokedSenderIsReleasedAndStaysOut() {
        std::atomic<int> sent{0};
        std::atomic<bool> go{false};
        std::vector<LRESULT> results;
        std::thread oldSender = StartSearch([&] {
            const std::string text = "late";
            results.push_back(m_gate->Send(17, 1, reinterpret_cast<LPARAM>(&text)));
            ++sent;
            while (!go.load()) {
                std::this_thread::yield();
            }
            results.push_back(m_gate->Send(16, 1, 0));
        });
        // Once its message has reached the window's thread, only the revoke
        // can release the sender.
        QTRY_VERIFY(m_receiver.swallowed.load());
        m_gate->Revoke();
        QTRY_COMPARE(sent.load(), 1);
        std::atomic<bool> finished{false};
        std::thread newSender = StartSearch([&] {
            m_gate->Send(16, 2, 0);
            finished = true;
        });
        go = true;
        oldSender.join();
        QTRY_VERIFY(finished.load());
        newSender.join();
        QCOMPARE(results, (std::vector<LRESULT>{0, 0}));
        QCOMPARE(m_deliveries, std::vector<WPARAM>{2});
    }
};

QTEST_GUILESS_MAIN(MessageGateTest)
#include "message_gate_test.moc"
