// The container table, filled at start-up by the list, map and array facilities.
#include "runtime/core/containers.h"

static ContainerOps gContainerTable[kContainerTypeCount];  // zero until installed

void ContainerTableInstall(ContainerType type, const ContainerOps& ops) {
    if (type >= 0 && type < kContainerTypeCount) {
        gContainerTable[type] = ops;
    }
}

const ContainerOps* ContainerTableGet(ContainerType type) {
    if (type < 0 || type >= kContainerTypeCount || gContainerTable[type].create == nullptr) {
        return nullptr;
    }
    return &gContainerTable[type];
}
