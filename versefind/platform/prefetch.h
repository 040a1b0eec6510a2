// PREFETCH(address): a hint that `address` will be read soon. It changes no
// result, so where the compiler has no such hint it is left out.
#ifndef VERSEFIND_PREFETCH_H
#define VERSEFIND_PREFETCH_H

#if defined(__GNUC__) || defined(__clang__)
#define PREFETCH(address) __builtin_prefetch(address)
#else
#define PREFETCH(address) static_cast<void>(0)
#endif

#endif  // VERSEFIND_PREFETCH_H
