// SPDX-License-Identifier: MIT
// Thread creation behind a replaceable function, so that tests can make it
// fail. By default it is pthread_create.
#pragma once

#include <pthread.h>

using KeThreadCreateFunction = int (*)(pthread_t* thread, const pthread_attr_t* attr, void* (*entry)(void*), void* arg);

// Creates a thread through the current function: 0 or an errno value.
int KeThreadCreate(pthread_t* thread, const pthread_attr_t* attr, void* (*entry)(void*), void* arg);

// Installs `create` (null: pthread_create again) and returns the previous one.
KeThreadCreateFunction KeSetThreadCreateFunction(KeThreadCreateFunction create);
