// Loses memory on purpose, after giving the leak checker a dynamic thread-local block to
// scan at exit, placed where the sanitizer runtime's guess of its bounds goes wrong.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::uintptr_t kPageMask = 0xFFF;
// The runtime takes a block that starts this far into a page for one behind a glibc 2.19
// header (two words: size, start) and reads those words from just below it.
constexpr std::uintptr_t kGuessedHeaderEnd = 0x10;
constexpr int kMaxPrimingBlocks = 4096;
constexpr int kLostBlocks = 8;
constexpr std::size_t kLostBlockSize = 48;

void* primed[kMaxPrimingBlocks];  // reachable: not the leak this program reports
void* volatile lost;

using CounterFunction = int* (*)();

// Allocates blocks of the thread-local block's size until the next one would start 16
// bytes into a page, as the allocator hands out one size's blocks in ascending order.
// Returns false when no such order shows.
bool primeHeapForMisguess(std::size_t blockSize) {
    primed[0] = std::malloc(blockSize);
    for (int i = 1; i < kMaxPrimingBlocks; ++i) {
        primed[i] = std::malloc(blockSize);
        const auto previous = reinterpret_cast<std::uintptr_t>(primed[i - 1]);
        const auto last = reinterpret_cast<std::uintptr_t>(primed[i]);
        if (last > previous && last - previous <= kPageMask &&
            ((2 * last - previous) & kPageMask) == kGuessedHeaderEnd) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main() {
    void* module = dlopen(TLS_MODULE, RTLD_NOW);
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", TLS_MODULE, dlerror());
        return 1;
    }
    auto counter = reinterpret_cast<CounterFunction>(dlsym(module, "tls_module_counter"));
    if (counter == nullptr) {
        std::fprintf(stderr, "%s has no tls_module_counter\n", TLS_MODULE);
        return 1;
    }
    const bool primedForMisguess = primeHeapForMisguess(sizeof(int));
    const auto block = reinterpret_cast<std::uintptr_t>(counter());
    const bool misguessed = (block & kPageMask) == kGuessedHeaderEnd;
    std::printf("dynamic thread-local block %#zx bytes into its page: %s\n",
                static_cast<std::size_t>(block & kPageMask),
                misguessed          ? "where the runtime misreads its bounds"
                : primedForMisguess ? "the allocator broke its order"
                                    : "the allocator showed no order");
    std::fflush(stdout);  // the leak report ends the program without flushing

    for (int i = 0; i < kLostBlocks; ++i) {
        lost = std::malloc(kLostBlockSize);
    }
    lost = nullptr;
    return 0;
}
