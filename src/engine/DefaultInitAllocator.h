#pragma once
// An allocator whose containers default-initialise the items they make
// without a value: std::vector<T, DefaultInitAllocator<T>>(n) and resize(n)
// leave plain items (bytes, numbers) as the memory holds them, where the
// standard allocator clears them. For arrays that their filler writes in
// full, so that they are not written twice; resize(n, value) and the other
// constructors behave as with the standard allocator.
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace Vek {

template <typename T>
class DefaultInitAllocator : public std::allocator<T> {
public:
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };

    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>& other) noexcept : std::allocator<T>(other) {}

    template <typename U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        std::construct_at(at, std::forward<Args>(args)...);
    }
};

}  // namespace Vek
