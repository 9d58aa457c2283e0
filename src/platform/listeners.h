#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace velira
{

// Functions called when something happens (the screen changed), in the
// order they were added. Adding one gives a subscription that removes it
// again when it goes, so a window that listens stops listening when it is
// destroyed and no listener replaces another.
class Listeners
{
public:
	class Subscription
	{
	public:
		Subscription() = default;
		Subscription(Subscription &&other) noexcept
		    : owner_(std::exchange(other.owner_, nullptr)), id_(other.id_)
		{
		}
		Subscription &operator=(Subscription &&other) noexcept
		{
			if (this != &other) {
				Cancel();
				owner_ = std::exchange(other.owner_, nullptr);
				id_ = other.id_;
			}
			return *this;
		}
		Subscription(const Subscription &) = delete;
		Subscription &operator=(const Subscription &) = delete;
		~Subscription() { Cancel(); }

		// Stops listening; nothing happens when it is not listening.
		void Cancel()
		{
			if (owner_ != nullptr)
				owner_->Remove(id_);
			owner_ = nullptr;
		}

	private:
		friend class Listeners;
		Subscription(Listeners *owner, uint64_t id) : owner_(owner), id_(id) {}
		Listeners *owner_ = nullptr;
		uint64_t id_ = 0;
	};

	[[nodiscard]] Subscription Add(std::function<void()> listener)
	{
		// Ids are never reused, not even by another list: a subscription
		// left over from an emptied list cannot remove a newer listener.
		static uint64_t next_id = 0;
		const uint64_t id = ++next_id;
		listeners_.emplace(id, std::move(listener));
		return Subscription(this, id);
	}

	// Calls every listener. One that is removed meanwhile (by a listener
	// before it) is not called; one added meanwhile waits for the next time.
	void Notify()
	{
		if (listeners_.empty())
			return;
		const uint64_t last = listeners_.rbegin()->first;
		for (auto at = listeners_.begin(); at != listeners_.end() && at->first <= last;) {
			const uint64_t id = at->first;
			// A copy: the listener may remove itself while it runs.
			const std::function<void()> listener = at->second;
			if (listener)
				listener();
			at = listeners_.upper_bound(id);
		}
	}

	size_t Count() const { return listeners_.size(); }

private:
	void Remove(uint64_t id) { listeners_.erase(id); }

	std::map<uint64_t, std::function<void()>> listeners_;
};

} // namespace velira
