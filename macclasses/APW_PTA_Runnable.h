// SPDX-License-Identifier: MIT
// The work that a Thread runs. The thread never deletes it; its owner does.
#pragma once

namespace APW {
namespace PTA {

class Runnable {
protected:
    Runnable() = default;
    virtual ~Runnable() = default;

public:
    virtual void Run() = 0;
};

}  // namespace PTA
}  // namespace APW
