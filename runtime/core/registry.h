// Numbered objects: one ObjectRegistry per kind maps object numbers to fixed-size records,
// recycles records when a number is reused and releases every live object at shutdown.
// Also the state records that facilities keep their globals in.
#pragma once

#include <cstddef>
#include <cstdint>

using ObjectNumber = int64_t;
constexpr ObjectNumber kAutoNumber = -1;  // asks the registry to choose; as a free argument: all objects

// Frees the object under a number (or every object for kAutoNumber) and makes sure
// RegistryRelease is called for it. Must do nothing for a number without a live object.
using ReleaseCallback = void (*)(ObjectNumber number);

struct AutomaticNode;  // {next, previous, record bytes}

struct ObjectRegistry {
    int32_t objectSize;               // bytes in every record of this kind
    int32_t growthStep;               // initial capacity and spare slots added on growth
    int64_t capacity;                 // slots in the slot array
    void** slots;                     // capacity record pointers; null = never used
    AutomaticNode* automaticList;     // automatically numbered records, newest first
    ReleaseCallback releaseCallback;  // may be null
    int64_t cursor;                   // iteration position of RegistryRewind / RegistryNext
};

ObjectRegistry* RegistryCreate(int32_t objectSize, int32_t growthStep, ReleaseCallback releaseCallback);
void* RegistryClaim(ObjectRegistry* registry, ObjectNumber number);
void* RegistryFind(ObjectRegistry* registry, ObjectNumber number);
void* RegistryCheck(ObjectRegistry* registry, ObjectNumber number);
void RegistryRelease(ObjectRegistry* registry, ObjectNumber number);
void RegistryReleaseAll(ObjectRegistry* registry);
void RegistryRewind(ObjectRegistry* registry);
void* RegistryNext(ObjectRegistry* registry, ObjectNumber* number);
void RegistryCreateOnce(ObjectRegistry** variable, int32_t objectSize, int32_t growthStep,
                        ReleaseCallback releaseCallback);

// Marks an automatic number. A record's address alone could be a slot index: heaps lie as low as
// some tens of megabytes under Wine (and Windows hands out addresses from 64 KiB up), within reach
// of a grown slot array. Slot arrays stay below 2^60 slots and user addresses below 2^47.
constexpr ObjectNumber kAutomaticNumberBit = int64_t{1} << 62;

// The automatic number of a record claimed with kAutoNumber: the record's address, marked.
inline ObjectNumber RegistryAutomaticNumber(const void* record) {
    return static_cast<ObjectNumber>(reinterpret_cast<intptr_t>(record)) | kAutomaticNumberBit;
}

// A facility's one state record: zero-filled, then the constructor (if any) runs on it.
using StateConstructor = void (*)(void* record);
void* StateRecordCreate(size_t size, StateConstructor constructor);
