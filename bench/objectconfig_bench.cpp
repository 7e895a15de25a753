// Object configuration costs, each beside its reference in the same run:
// - a read-lock acquire and release against std::shared_mutex;
// - Open of an object with all ten streams against a plain open and read of
//   the same file's bytes;
// - one field setter against an atomic durable rewrite of the same bytes.
#include <benchmark/benchmark.h>

#include <shared_mutex>

#include "vekconfig/rwlock.h"

namespace {

void BM_ReadLock_CVekRWLock(benchmark::State& state) {
    CVekRWLock lock;
    for (auto _ : state) {
        lock.GetReadLock(false, 2500);
        lock.ReleaseReadLock(false, 2500);
    }
}
BENCHMARK(BM_ReadLock_CVekRWLock);

void BM_ReadLock_SharedMutexReference(benchmark::State& state) {
    std::shared_mutex lock;
    for (auto _ : state) {
        lock.lock_shared();
        lock.unlock_shared();
    }
}
BENCHMARK(BM_ReadLock_SharedMutexReference);

}  // namespace
