// Wiping of secrets: pass phrases, keys, digests and anything derived from them.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

// Overwrites n bytes with zeros in a way the optimiser cannot drop.
inline void SecureWipe(void* p, std::size_t n) {
    if (p == nullptr || n == 0)
        return;
#if defined(__GNUC__)
    // The empty asm may read any memory through p, so the stores before it
    // stay; unlike a call through a volatile pointer, the memset can still be
    // inlined (the hash step wipes its digest every round).
    std::memset(p, 0, n);
    __asm__ __volatile__("" : : "r"(p) : "memory");
#else
    static void* (*const volatile wipe)(void*, int, std::size_t) = std::memset;
    wipe(p, 0, n);
#endif
}

// Keeps a crash from writing this process's memory, pass phrases included,
// to disk: no core file, and (on Linux) not dumpable. Every program that
// reads a pass phrase calls it first. Does nothing where there is no such
// thing to turn off.
void DisableCoreDumps();

// Allocator that wipes every block before it is released, so a container of
// secret bytes leaves nothing behind when it grows, shrinks or dies.
template <class T> struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U> WipingAllocator(const WipingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept {
        SecureWipe(p, n * sizeof(T));
        ::operator delete(p);
    }
    template <class U> bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};

// A zero-terminated byte string for secrets. It keeps its bytes on the heap
// (no small-string buffer inside the object) and wipes them when it changes
// or is destroyed.
class SecretString {
  public:
    SecretString() { buf_.push_back('\0'); }
    explicit SecretString(std::string_view text) { assign(text); }
    SecretString(const SecretString& other) : buf_(other.buf_) {}
    SecretString& operator=(const SecretString& other) {
        if (this != &other)
            assign(other.view());
        return *this;
    }
    ~SecretString() { SecureWipe(buf_.data(), buf_.size()); }

    void assign(std::string_view text) {
        SecureWipe(buf_.data(), buf_.size());
        buf_.clear();
        buf_.reserve(text.size() + 1);
        buf_.insert(buf_.end(), text.begin(), text.end());
        buf_.push_back('\0');
    }
    void clear() { assign({}); }
    void append(std::string_view text) {
        buf_.pop_back();
        buf_.insert(buf_.end(), text.begin(), text.end());
        buf_.push_back('\0');
    }

    const char* c_str() const { return buf_.data(); }
    char* data() { return buf_.data(); }
    std::size_t size() const { return buf_.size() - 1; }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return {buf_.data(), size()}; }

  private:
    std::vector<char, WipingAllocator<char>> buf_;
};
