#pragma once
// Several listeners for one event of the editor: the comparison view's scroll sync, its
// overview strip, the line panels and the status bar each follow the same editor.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tandrel {

// Keeps one listener subscribed for its lifetime; Reset or destruction unsubscribes. It may
// outlive the list it came from: the list holds only a weak reference to the listener.
class TSubscription {
public:
    TSubscription() = default;
    explicit TSubscription(std::shared_ptr<void> slot) : FSlot(std::move(slot)) {}
    TSubscription(TSubscription&&) noexcept = default;
    TSubscription& operator=(TSubscription&&) noexcept = default;
    TSubscription(const TSubscription&) = delete;
    TSubscription& operator=(const TSubscription&) = delete;

    void Reset() { FSlot.reset(); }
    bool Active() const { return FSlot != nullptr; }

private:
    std::shared_ptr<void> FSlot;
};

// The listeners of one event, called in the order they subscribed. A listener may
// subscribe or unsubscribe others while it is being called: the call goes to the listeners
// that were subscribed when the event fired and are still subscribed when their turn comes.
template <class... Args> class TListeners {
public:
    using TCallback = std::function<void(Args...)>;

    [[nodiscard]] TSubscription Subscribe(TCallback callback) {
        std::erase_if(FSlots, [](const std::weak_ptr<TCallback>& slot) { return slot.expired(); });
        auto slot = std::make_shared<TCallback>(std::move(callback));
        FSlots.push_back(slot);
        return TSubscription(std::move(slot));
    }

    void Fire(Args... args) const {
        if (FSlots.empty())
            return;
        const std::vector<std::weak_ptr<TCallback>> snapshot = FSlots;
        for (const std::weak_ptr<TCallback>& weak : snapshot) {
            if (const std::shared_ptr<TCallback> slot = weak.lock())
                (*slot)(args...);
        }
    }

private:
    std::vector<std::weak_ptr<TCallback>> FSlots;
};

} // namespace tandrel
