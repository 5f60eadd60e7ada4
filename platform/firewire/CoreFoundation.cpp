#include "platform/firewire/CoreFoundation.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct __CFObject {
    std::atomic<CFIndex> retainCount{1};
    bool immortal = false;
    virtual ~__CFObject() = default;
};

struct __CFString : __CFObject {
    std::string text;
};

struct __CFNumber : __CFObject {
    SInt32 value = 0;
};

struct __CFDictionary : __CFObject {
    // Keys are compared by content; both keys and values are retained.
    std::vector<std::pair<CFStringRef, CFTypeRef>> entries;
    ~__CFDictionary() override
    {
        for (auto& [key, value] : entries) {
            CFRelease(key);
            CFRelease(value);
        }
    }
};

struct __CFUUID : __CFObject {
    CFUUIDBytes bytes{};
};

struct __CFAllocator {};
static const __CFAllocator gDefaultAllocator{};
const CFAllocatorRef kCFAllocatorDefault = &gDefaultAllocator;

namespace {

__CFObject* AsObject(CFTypeRef cf) { return const_cast<__CFObject*>(static_cast<const __CFObject*>(cf)); }

std::mutex& InternMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

CFStringRef __CFStringMakeConstantString(const char* cStr)
{
    // Interned for the life of the process, like compile-time constant strings.
    static std::map<std::string, __CFString*> interned;
    std::lock_guard<std::mutex> lock(InternMutex());
    std::string key = cStr ? cStr : "";
    auto it = interned.find(key);
    if (it != interned.end()) return it->second;
    static std::vector<std::unique_ptr<__CFString>> storage;
    auto string = std::make_unique<__CFString>();
    string->text = key;
    string->immortal = true;
    __CFString* raw = string.get();
    storage.push_back(std::move(string));
    interned.emplace(key, raw);
    return raw;
}

CFTypeRef CFRetain(CFTypeRef cf)
{
    if (!cf) return nullptr;
    __CFObject* object = AsObject(cf);
    if (!object->immortal) object->retainCount.fetch_add(1, std::memory_order_relaxed);
    return cf;
}

void CFRelease(CFTypeRef cf)
{
    if (!cf) return;
    __CFObject* object = AsObject(cf);
    if (object->immortal) return;
    if (object->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete object;
}

CFIndex CFGetRetainCount(CFTypeRef cf)
{
    if (!cf) return 0;
    return AsObject(cf)->retainCount.load(std::memory_order_relaxed);
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr)
{
    if (theType != kCFNumberSInt32Type || !valuePtr) return nullptr;
    auto* number = new __CFNumber;  // owned by its retain count
    std::memcpy(&number->value, valuePtr, sizeof number->value);
    return number;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr)
{
    if (!number || theType != kCFNumberSInt32Type || !valuePtr) return false;
    std::memcpy(valuePtr, &number->value, sizeof number->value);
    return true;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef) { return new __CFDictionary; }

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, CFStringRef key, CFTypeRef value)
{
    if (!theDict || !key) return;
    for (auto& entry : theDict->entries) {
        if (entry.first->text == key->text) return;  // add keeps an existing pair
    }
    CFRetain(key);
    CFRetain(value);
    theDict->entries.emplace_back(key, value);
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef theDict, CFStringRef key)
{
    if (!theDict || !key) return nullptr;
    for (const auto& entry : theDict->entries) {
        if (entry.first->text == key->text) return entry.second;
    }
    return nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict)
{
    return theDict ? static_cast<CFIndex>(theDict->entries.size()) : 0;
}

CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef, UInt8 b0, UInt8 b1, UInt8 b2, UInt8 b3, UInt8 b4,
                                         UInt8 b5, UInt8 b6, UInt8 b7, UInt8 b8, UInt8 b9, UInt8 b10,
                                         UInt8 b11, UInt8 b12, UInt8 b13, UInt8 b14, UInt8 b15)
{
    const CFUUIDBytes bytes{{b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15}};
    static std::vector<std::unique_ptr<__CFUUID>> interned;
    std::lock_guard<std::mutex> lock(InternMutex());
    for (const auto& uuid : interned) {
        if (CFUUIDBytesEqual(uuid->bytes, bytes)) return uuid.get();
    }
    auto uuid = std::make_unique<__CFUUID>();
    uuid->bytes = bytes;
    uuid->immortal = true;
    interned.push_back(std::move(uuid));
    return interned.back().get();
}

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid) { return uuid ? uuid->bytes : CFUUIDBytes{}; }

bool CFUUIDBytesEqual(const CFUUIDBytes& a, const CFUUIDBytes& b)
{
    return std::memcmp(a.byte, b.byte, sizeof a.byte) == 0;
}
