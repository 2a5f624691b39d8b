// The browser's side of the POSIX file store: its lock across tabs and the stored file, kept
// by the page (store.js, Module.numerionStore). The waits give the browser its turn
// (ASYNCIFY), and each of them ends in bounded time.

#include <emscripten.h>

#include "console/posix/StoreSync.h"

namespace numerion::posix {

EM_ASYNC_JS(void, numerion_store_lock, (), { await Module.numerionStore.lock(); });
EM_JS(void, numerion_store_unlock, (), { Module.numerionStore.unlock(); });
EM_ASYNC_JS(int, numerion_store_keep, (const char* path),
            { return (await Module.numerionStore.store(UTF8ToString(path))) ? 1 : 0; });

void beginLockedUse() {
    numerion_store_lock();
}

void endLockedUse() {
    numerion_store_unlock();
}

// The folder lives in memory; the file lasts once IndexedDB has confirmed it.
bool makeLasting(const std::string& path) {
    return numerion_store_keep(path.c_str()) != 0;
}

}  // namespace numerion::posix
