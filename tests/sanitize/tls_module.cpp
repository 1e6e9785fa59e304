// A module with thread-local storage of its own. Loaded with dlopen, its block is not part
// of the static TLS area: the C library allocates it with malloc on a thread's first access.

namespace {

thread_local int counter = 0;

}  // namespace

extern "C" __attribute__((visibility("default"))) int* tls_module_counter() {
    ++counter;
    return &counter;
}
