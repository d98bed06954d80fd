// The container table: how the routines that initialise, copy and free structured values handle
// fields that are containers (lists, maps, arrays). Each container facility installs its three
// operations under its type at start-up.
#pragma once

#include <cstdint>

enum ContainerType : int32_t { kContainerList = 0, kContainerMap = 1, kContainerArray = 2, kContainerTypeCount = 3 };

struct ContainerOps {
    void* (*create)(int64_t elementSize);  // a new, empty container; null on failure
    void* (*copy)(const void* container);   // a copy with copied elements; null on failure
    void (*free)(void* container);          // frees the container and its elements; null is ignored
};

void ContainerTableInstall(ContainerType type, const ContainerOps& ops);
const ContainerOps* ContainerTableGet(ContainerType type);  // null until installed
