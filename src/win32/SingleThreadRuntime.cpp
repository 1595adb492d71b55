// The C++ runtime's thread support for a program that has one thread, linked into kiv.exe ahead
// of the thread library. The runtime asks for a lock around its emergency exception memory and for
// a once-flag and a thread-local key in its exception bookkeeping; the thread library that would
// answer brings 20 KiB of thread management that KIV never uses. With one thread, a lock has
// nothing to exclude, once is a flag, and a key is a slot.
#include <cstdint>

namespace {

constexpr unsigned kKeys = 8;
const void* keyValues[kKeys] = {};
unsigned keysMade = 0;

}  // namespace

extern "C" {

int pthread_mutex_init(std::intptr_t* mutex, const unsigned*) {
  *mutex = 0;
  return 0;
}
int pthread_mutex_destroy(std::intptr_t*) { return 0; }
int pthread_mutex_lock(std::intptr_t*) { return 0; }
int pthread_mutex_unlock(std::intptr_t*) { return 0; }

int pthread_once(long* once, void (*function)()) {
  if (*once == 0) {
    *once = 1;
    function();
  }
  return 0;
}

// Values are never destroyed: the only thread ends with the process.
int pthread_key_create(unsigned* key, void (*)(void*)) {
  if (keysMade == kKeys) return 11;  // EAGAIN
  *key = keysMade++;
  return 0;
}
void* pthread_getspecific(unsigned key) {
  return key < kKeys ? const_cast<void*>(keyValues[key]) : nullptr;
}
int pthread_setspecific(unsigned key, const void* value) {
  if (key >= kKeys) return 22;  // EINVAL
  keyValues[key] = value;
  return 0;
}

}  // extern "C"
