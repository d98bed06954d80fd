// Object registries: static numbers index a slot array whose records stay allocated for the
// registry's life; automatic numbers are the marked addresses of records in list nodes. Everything
// comes from the runtime heap; the only lock is the process-wide one of RegistryCreateOnce.
#include "runtime/core/registry.h"

#include <cstring>

#include "runtime/core/platform.h"
#include "runtime/core/runtime_heap.h"

// A record of an automatic number lives in a node of the registry's automatic list.
struct AutomaticNode {
    AutomaticNode* next;
    AutomaticNode* previous;
    alignas(16) unsigned char record[1];  // objectSize bytes
};

static constexpr size_t kNodeHeader = offsetof(AutomaticNode, record);

static RunOnceFlag gCreateOnceFlag = nullptr;  // guards the initialisation of gCreateOnceLock
static PlatformLock gCreateOnceLock;           // serialises RegistryCreateOnce

static bool isLive(const void* record) {
    uint64_t first = 0;
    std::memcpy(&first, record, sizeof(first));
    return first != 0;
}

static bool isSlotIndex(const ObjectRegistry* registry, ObjectNumber number) {
    return number >= 0 && number < registry->capacity;
}

// Resolves an automatic number through the list, so that a stale or made-up number is never
// dereferenced.
static AutomaticNode* findAutomatic(const ObjectRegistry* registry, ObjectNumber number) {
    for (AutomaticNode* node = registry->automaticList; node != nullptr; node = node->next) {
        if (RegistryAutomaticNumber(node->record) == number) {
            return node;
        }
    }
    return nullptr;
}

static void unlinkAutomatic(ObjectRegistry* registry, AutomaticNode* node) {
    if (node->previous != nullptr) {
        node->previous->next = node->next;
    } else {
        registry->automaticList = node->next;
    }
    if (node->next != nullptr) {
        node->next->previous = node->previous;
    }
}

static void* claimAutomatic(ObjectRegistry* registry) {
    auto* node = static_cast<AutomaticNode*>(RuntimeAlloc(kNodeHeader + static_cast<size_t>(registry->objectSize)));
    if (node == nullptr) {
        return nullptr;
    }
    node->next = registry->automaticList;
    if (node->next != nullptr) {
        node->next->previous = node;
    }
    registry->automaticList = node;
    return node->record;
}

static int64_t growthOf(const ObjectRegistry* registry) { return registry->growthStep > 0 ? registry->growthStep : 1; }

// Grows the slot array so that number is an index. A new array is built beside the old one and
// swapped in only on success, so a failed growth leaves the registry as it was.
static bool growTo(ObjectRegistry* registry, ObjectNumber number) {
    int64_t growth = growthOf(registry);
    if (number > INT64_MAX - growth) {
        return false;
    }
    int64_t capacity = number + growth;
    if (static_cast<uint64_t>(capacity) > PTRDIFF_MAX / sizeof(void*)) {
        return false;
    }
    auto** slots = static_cast<void**>(RuntimeAlloc(static_cast<size_t>(capacity) * sizeof(void*)));
    if (slots == nullptr) {
        return false;
    }
    if (registry->capacity > 0) {
        std::memcpy(slots, registry->slots, static_cast<size_t>(registry->capacity) * sizeof(void*));
    }
    RuntimeFree(registry->slots);
    registry->slots = slots;
    registry->capacity = capacity;
    return true;
}

ObjectRegistry* RegistryCreate(int32_t objectSize, int32_t growthStep, ReleaseCallback releaseCallback) {
    if (objectSize < static_cast<int32_t>(sizeof(uint64_t))) {
        objectSize = sizeof(uint64_t);  // liveness reads the first 64-bit field
    }
    auto* registry = static_cast<ObjectRegistry*>(RuntimeAlloc(sizeof(ObjectRegistry)));
    if (registry == nullptr) {
        return nullptr;
    }
    int64_t capacity = growthStep > 0 ? growthStep : 0;
    registry->slots = static_cast<void**>(RuntimeAlloc(static_cast<size_t>(capacity > 0 ? capacity : 1) * sizeof(void*)));
    if (registry->slots == nullptr) {
        RuntimeFree(registry);
        return nullptr;
    }
    registry->objectSize = objectSize;
    registry->growthStep = growthStep;
    registry->capacity = capacity;
    registry->releaseCallback = releaseCallback;
    return registry;
}

void* RegistryClaim(ObjectRegistry* registry, ObjectNumber number) {
    if (registry == nullptr) {
        return nullptr;
    }
    if (number == kAutoNumber) {
        return claimAutomatic(registry);
    }
    if (number < 0) {
        return nullptr;
    }
    if (number >= registry->capacity && !growTo(registry, number)) {
        return nullptr;
    }
    void* record = registry->slots[number];
    if (record != nullptr) {
        // Whatever lives under the number is freed first; the record is then handed out again.
        if (registry->releaseCallback != nullptr) {
            registry->releaseCallback(number);
        }
        std::memset(record, 0, static_cast<size_t>(registry->objectSize));
        return record;
    }
    record = RuntimeAlloc(static_cast<size_t>(registry->objectSize));
    if (record == nullptr) {
        return nullptr;
    }
    registry->slots[number] = record;
    return record;
}

void* RegistryFind(ObjectRegistry* registry, ObjectNumber number) {
    if (registry == nullptr) {
        return nullptr;
    }
    void* record = nullptr;
    if (isSlotIndex(registry, number)) {
        record = registry->slots[number];
    } else {
        AutomaticNode* node = findAutomatic(registry, number);
        record = node != nullptr ? node->record : nullptr;
    }
    return record != nullptr && isLive(record) ? record : nullptr;
}

void* RegistryCheck(ObjectRegistry* registry, ObjectNumber number) {
    if (registry == nullptr) {
        return nullptr;
    }
    if (isSlotIndex(registry, number)) {
        void* record = registry->slots[number];
        return record != nullptr && isLive(record) ? record : nullptr;
    }
    AutomaticNode* node = findAutomatic(registry, number);
    return node != nullptr ? node->record : nullptr;
}

void RegistryRelease(ObjectRegistry* registry, ObjectNumber number) {
    if (registry == nullptr) {
        return;
    }
    if (isSlotIndex(registry, number)) {
        if (registry->slots[number] != nullptr) {
            std::memset(registry->slots[number], 0, static_cast<size_t>(registry->objectSize));
        }
        return;
    }
    AutomaticNode* node = findAutomatic(registry, number);
    if (node != nullptr) {
        unlinkAutomatic(registry, node);
        RuntimeFree(node);
    }
}

void RegistryReleaseAll(ObjectRegistry* registry) {
    if (registry == nullptr || registry->releaseCallback == nullptr) {
        return;
    }
    RegistryRewind(registry);
    ObjectNumber number = 0;
    while (RegistryNext(registry, &number) != nullptr) {
        AutomaticNode* head = registry->automaticList;
        registry->releaseCallback(number);
        // An automatic record that was claimed but never made live is left in place by the
        // callback (it finds no object); drop it here, or the walk would visit it forever.
        if (head != nullptr && registry->automaticList == head && number == RegistryAutomaticNumber(head->record)) {
            RegistryRelease(registry, number);
        }
    }
}

void RegistryRewind(ObjectRegistry* registry) {
    if (registry != nullptr) {
        registry->cursor = 0;
    }
}

void* RegistryNext(ObjectRegistry* registry, ObjectNumber* number) {
    if (registry == nullptr) {
        return nullptr;
    }
    while (registry->cursor < registry->capacity) {
        int64_t index = registry->cursor++;
        void* record = registry->slots[index];
        if (record != nullptr && isLive(record)) {
            *number = index;
            return record;
        }
    }
    if (registry->automaticList == nullptr) {
        return nullptr;
    }
    *number = RegistryAutomaticNumber(registry->automaticList->record);
    return registry->automaticList->record;
}

static void initCreateOnceLock() { PlatformLockInit(&gCreateOnceLock); }

void RegistryCreateOnce(ObjectRegistry** variable, int32_t objectSize, int32_t growthStep,
                        ReleaseCallback releaseCallback) {
    RunOnce(&gCreateOnceFlag, initCreateOnceLock);
    PlatformLockEnter(&gCreateOnceLock);
    if (*variable == nullptr) {
        *variable = RegistryCreate(objectSize, growthStep, releaseCallback);
    }
    PlatformLockLeave(&gCreateOnceLock);
}

void* StateRecordCreate(size_t size, StateConstructor constructor) {
    void* record = RuntimeAlloc(size);
    if (record != nullptr && constructor != nullptr) {
        constructor(record);
    }
    return record;
}
