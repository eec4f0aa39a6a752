#pragma once
// The one scope guard: work that must run when a scope ends, by return or by
// exception, such as putting back a flag or a handler changed for the scope.
#include <utility>

namespace kadrolin {

template <class F> class [[nodiscard]] TScopeExit {
  public:
    explicit TScopeExit(F f) : FWork(std::move(f)) {}
    ~TScopeExit() { FWork(); }
    TScopeExit(const TScopeExit &) = delete;
    TScopeExit &operator=(const TScopeExit &) = delete;

  private:
    F FWork;
};

// Sets target to value when the scope ends.
template <class T, class U> [[nodiscard]] auto ResetOnExit(T &target, U &&value) {
    return TScopeExit([&target, v = T(std::forward<U>(value))]() mutable { target = std::move(v); });
}

} // namespace kadrolin
