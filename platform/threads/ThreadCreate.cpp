// SPDX-License-Identifier: MIT
#include "platform/threads/ThreadCreate.h"

#include <atomic>

namespace {

std::atomic<KeThreadCreateFunction> gCreate{&pthread_create};

}  // namespace

int KeThreadCreate(pthread_t* thread, const pthread_attr_t* attr, void* (*entry)(void*), void* arg)
{
    return gCreate.load(std::memory_order_acquire)(thread, attr, entry, arg);
}

KeThreadCreateFunction KeSetThreadCreateFunction(KeThreadCreateFunction create)
{
    return gCreate.exchange(create ? create : &pthread_create, std::memory_order_acq_rel);
}
