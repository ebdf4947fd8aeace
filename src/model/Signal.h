// Change notification with any number of listeners, each holding a scoped connection handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// What a connection handle needs of the signal it came from, whatever the signal's arguments.
class iSignalState {
public:
    virtual ~iSignalState() = default;
    virtual void disconnect(std::uint64_t id) = 0;
    virtual bool isConnected(std::uint64_t id) const = 0;
};

// The handle of one listener: it disconnects the listener when it goes, so that a listener
// holding it as a member can never be called after its destruction. Move-only. A handle that
// outlives its signal does nothing.
class TConnection {
public:
    TConnection() = default;
    TConnection(std::weak_ptr<iSignalState> state, std::uint64_t id)
        : m_state(std::move(state)), m_id(id) {}
    TConnection(TConnection&& other) noexcept
        : m_state(std::move(other.m_state)), m_id(std::exchange(other.m_id, 0)) {}
    TConnection& operator=(TConnection&& other) noexcept {
        if (this != &other) {
            disconnect();
            m_state = std::move(other.m_state);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;
    ~TConnection() { disconnect(); }

    // The signal lives and the listener is still connected to it.
    bool isConnected() const {
        const auto state = m_state.lock();
        return state && state->isConnected(m_id);
    }
    void disconnect() {
        if (const auto state = m_state.lock()) state->disconnect(m_id);
        release();
    }
    // Forgets the listener without disconnecting it: it then stays for the signal's life.
    void release() {
        m_state.reset();
        m_id = 0;
    }

private:
    std::weak_ptr<iSignalState> m_state;
    std::uint64_t m_id = 0;
};

// A multicast signal for the one user-interface thread. Listeners are called in the order they
// connected. During a notification a listener may disconnect itself or any other listener
// (one not yet called is then skipped), connect new ones (called from the next notification
// on), notify again, or destroy the object that holds the signal.
//
// Copying or moving the object that holds a signal gives the new object a signal without
// listeners, and an assignment keeps the listeners of the object assigned to: listeners
// subscribe to one object, never to its copies.
template <class... Args>
class TSignal {
public:
    using TSlot = std::function<void(Args...)>;

    TSignal() = default;
    TSignal(const TSignal&) {}
    TSignal(TSignal&&) noexcept {}
    TSignal& operator=(const TSignal&) { return *this; }
    TSignal& operator=(TSignal&&) noexcept { return *this; }
    ~TSignal() = default;

    // An empty slot connects nothing and gives an empty handle.
    [[nodiscard]] TConnection connect(TSlot slot) {
        if (!slot) return {};
        if (!m_state) m_state = std::make_shared<TState>();
        const std::uint64_t id = m_state->add(std::move(slot));
        return TConnection(m_state, id);
    }

    // Calls every listener with args. Costs one test when nobody listens.
    void notify(Args... args) {
        if (!m_state || m_state->isIdle()) return;
        // Held here: a listener may destroy the signal's owner, and with it the signal.
        const std::shared_ptr<TState> state = m_state;
        state->run(args...);
    }

    int connectionCount() const { return m_state ? m_state->count() : 0; }

private:
    struct TEntry {
        std::uint64_t id = 0;
        TSlot slot;
        bool live = true;
    };

    class TState final : public iSignalState {
    public:
        bool isIdle() const { return m_entries.empty(); }

        std::uint64_t add(TSlot slot) {
            const std::uint64_t id = ++m_lastId;
            // While listeners run, the entries they are called from must stay where they are.
            if (m_depth > 0) {
                m_pending.push_back({id, std::move(slot), true});
                m_dirty = true;
            } else {
                m_entries.push_back({id, std::move(slot), true});
            }
            return id;
        }

        void disconnect(std::uint64_t id) override {
            for (auto* list : {&m_entries, &m_pending}) {
                for (std::size_t i = 0; i < list->size(); ++i) {
                    TEntry& entry = (*list)[i];
                    if (entry.id != id || !entry.live) continue;
                    entry.live = false;
                    if (m_depth > 0) {
                        m_dirty = true;  // erased when the running notifications end
                        return;
                    }
                    // Destroyed once the list is consistent again: what the slot holds may
                    // reach back into this signal as it goes.
                    TSlot gone = std::move(entry.slot);
                    list->erase(list->begin() + static_cast<std::ptrdiff_t>(i));
                    return;
                }
            }
        }

        bool isConnected(std::uint64_t id) const override {
            for (const auto* list : {&m_entries, &m_pending})
                for (const TEntry& entry : *list)
                    if (entry.id == id) return entry.live;
            return false;
        }

        int count() const {
            int n = 0;
            for (const auto* list : {&m_entries, &m_pending})
                for (const TEntry& entry : *list) n += entry.live ? 1 : 0;
            return n;
        }

        void run(Args&... args) {
            TRunning running(*this);
            // Entries added meanwhile wait in m_pending, so the size and the places are fixed.
            const std::size_t n = m_entries.size();
            for (std::size_t i = 0; i < n; ++i) {
                TEntry& entry = m_entries[i];
                if (entry.live) entry.slot(args...);
            }
        }

    private:
        // Counts the running notifications; the last one to end tidies the lists, also when
        // a listener threw.
        class TRunning {
        public:
            explicit TRunning(TState& state) : m_state(state) { ++m_state.m_depth; }
            ~TRunning() {
                if (--m_state.m_depth == 0) m_state.tidy();
            }
            TRunning(const TRunning&) = delete;
            TRunning& operator=(const TRunning&) = delete;

        private:
            TState& m_state;
        };

        void tidy() {
            if (!m_dirty) return;
            m_dirty = false;
            std::vector<TEntry> gone;
            std::vector<TEntry> kept;
            kept.reserve(m_entries.size() + m_pending.size());
            for (auto* list : {&m_entries, &m_pending})
                for (TEntry& entry : *list) (entry.live ? kept : gone).push_back(std::move(entry));
            m_pending.clear();
            m_entries.swap(kept);
            // gone is destroyed here, after the lists are whole again.
        }

        std::vector<TEntry> m_entries;
        std::vector<TEntry> m_pending;
        std::uint64_t m_lastId = 0;
        int m_depth = 0;
        // Entries were disconnected or connected while listeners ran.
        bool m_dirty = false;
    };

    std::shared_ptr<TState> m_state;  // made by the first connection
};
