#include <atomic>
#include <list>
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

class MessageGateTest : public QObject {
    Q_OBJECT

  private:
    QObject m_receiver;
    std::vector<WPARAM> m_deliveries;
    std::function<void(std::uint32_t)> m_onDeliver;

    CMessageGate::Handler Recorder() {
        return [this](std::uint32_t msg, WPARAM wParam, LPARAM) -> LRESULT {
            m_deliveries.push_back(wParam);
            if (m_onDeliver) {
                m_onDeliver(msg);
            }
            return static_cast<LRESULT>(100 + wParam);
        };
    }

    std::list<std::stop_source> m_searches;

    // Admits and starts a thread that runs body as a search of its own.
    bool StartSearch(CMessageGate& gate, std::thread& thread, std::function<void()> body) {
        const std::stop_token token = m_searches.emplace_back().get_token();
        return gate.StartAdmitted(token, [&thread, token, body = std::move(body)] {
            thread = std::thread([token, body] {
                const quennit::ScopedStopToken scope(token);
                body();
            });
            return true;
        });
    }

  private slots:
    void init() {
        m_deliveries.clear();
        m_onDeliver = nullptr;
    }

    // Nobody is admitted before a start, nor after a start that failed.
    void strangerIsTurnedAway() {
        CMessageGate gate(&m_receiver, Recorder());
        // The receiver's own thread is served at once, never queued to itself.
        QVERIFY(gate.Accepts());
        QCOMPARE(gate.Send(1, 0, 0), LRESULT(100));
        m_deliveries.clear();
        const std::stop_source search;
        QVERIFY(!gate.StartAdmitted(search.get_token(), [] { return false; }));
        bool accepted = true;
        LRESULT result = -1;
        std::thread stranger([&] {
            const quennit::ScopedStopToken scope(search.get_token());
            accepted = gate.Accepts();
            if (!accepted) {  // else the send would wait for this thread
                result = gate.Send(16, 1, 0);
            }
        });
        stranger.join();  // hangs if the stranger waits for delivery
        QVERIFY(!accepted);
        QCOMPARE(result, LRESULT(0));
        QCoreApplication::processEvents();
        QVERIFY(m_deliveries.empty());
    }

    // The window stops a search and joins its thread without serving its
    // queue: the thread, blocked in a send or about to send, must get free.
    void revokeReleasesSenderWithoutServingIt() {
        CMessageGate gate(&m_receiver, Recorder());
        std::atomic<bool> sending{false};
        LRESULT result = -1;
        std::thread sender;
        QVERIFY(StartSearch(gate, sender, [&] {
            const std::string text = "late";
            sending = true;
            result = gate.Send(17, 1, reinterpret_cast<LPARAM>(&text));
        }));
        while (!sending.load()) {
            std::this_thread::yield();
        }
        gate.Revoke();
        sender.join();
        QCOMPARE(result, LRESULT(0));
        // The queued delivery, if any, finds its message withdrawn.
        QCoreApplication::processEvents();
        QVERIFY(m_deliveries.empty());
    }

    void handlerMayRevokeItsOwnSender() {
        CMessageGate gate(&m_receiver, Recorder());
        m_onDeliver = [&](std::uint32_t msg) {
            if (msg == 18) {
                gate.Revoke();
            }
        };
        std::vector<LRESULT> results;
        std::atomic<bool> finished{false};
        std::thread sender;
        QVERIFY(StartSearch(gate, sender, [&] {
            results.push_back(gate.Send(18, 1, 0));
            results.push_back(gate.Send(16, 2, 0));
            finished = true;
        }));
        QTRY_VERIFY(finished.load());
        sender.join();
        QCOMPARE(m_deliveries.size(), size_t(1));
        QCOMPARE(results, (std::vector<LRESULT>{101, 0}));
    }

    void oldSenderStaysOutAfterANewOneIsAdmitted() {
        CMessageGate gate(&m_receiver, Recorder());
        std::atomic<int> step{0};
        std::thread oldSender;
        QVERIFY(StartSearch(gate, oldSender, [&] {
            while (step.load() == 0) {
                std::this_thread::yield();
            }
            gate.Send(16, 1, 0);
        }));
        gate.Revoke();
        std::thread newSender;
        std::atomic<bool> finished{false};
        QVERIFY(StartSearch(gate, newSender, [&] {
            gate.Send(16, 2, 0);
            finished = true;
        }));
        step = 1;
        oldSender.join();
        QTRY_VERIFY(finished.load());
        newSender.join();
        QCOMPARE(m_deliveries.size(), size_t(1));
        QCOMPARE(m_deliveries[0], WPARAM(2));
    }
};

QTEST_GUILESS_MAIN(MessageGateTest)
#include "message_gate_test.moc"
