// Races between the search thread and the window: a stopped sender never
// hangs and its withdrawn event is never handled, while the next search's
// events get through. A handler that ends its own search is the window's
// search end, walked by its tests.

#include <atomic>
#include <stop_token>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QtTest>

#include "app/window/event_relay.h"
#include "platform/stop.h"

using quennit::CEventRelay;
using quennit::ErrorKind;
using quennit::SearchEnd;
using quennit::SearchResult;

// A window thread that never serves the first event it is sent, so that its
// sender is known to be waiting in the call.
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

// Keeps the sites of the progress events it handles.
class Sites : public quennit::ISearchEvents {
  public:
    std::vector<std::uint32_t> seen;
    void OnProgress(std::uint32_t site, std::uint32_t) override { seen.push_back(site); }
    void OnError(std::uint32_t site, ErrorKind, int) override { seen.push_back(site); }
    void OnResult(std::uint32_t site, const SearchResult&) override { seen.push_back(site); }
    void OnEnd(SearchEnd) override {}
};

class EventRelayTest : public QObject {
    Q_OBJECT

  private slots:
    // The window stops a search and joins its thread without serving its
    // queue: the thread, blocked in a call, must get free, and what it
    // sends afterwards is not waited for either.
    void stoppedSenderIsReleasedAndItsEventWithdrawn() {
        NeverServesFirst receiver;
        Sites target;
        CEventRelay relay(&receiver, target);
        std::stop_source search;
        std::atomic<int> sent{0};
        std::thread sender([&] {
            const quennit::ScopedStopToken scope(search.get_token());
            relay.OnResult(1, SearchResult{});
            ++sent;
            relay.OnProgress(1, 10);
            ++sent;
        });
        // Once its event has reached the window's thread, only the stop can
        // release the sender.
        QTRY_VERIFY(receiver.swallowed.load());
        QCOMPARE(sent.load(), 0);
        search.request_stop();
        QTRY_COMPARE(sent.load(), 2);
        sender.join();
        std::atomic<bool> finished{false};
        std::thread next([&] {
            const quennit::ScopedStopToken scope(std::stop_source().get_token());
            relay.OnError(2, ErrorKind::ReadFailed, 0);
            finished = true;
        });
        QTRY_VERIFY(finished.load());
        next.join();
        QCoreApplication::processEvents();
        QCOMPARE(target.seen, std::vector<std::uint32_t>{2});
    }
};

QTEST_GUILESS_MAIN(EventRelayTest)
#include "event_relay_test.moc"
