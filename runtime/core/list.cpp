// Linked lists. Elements live behind two links in items of a shared block pool, so lists with
// the same element size share their blocks.
#include "runtime/core/list.h"

#include <cstring>

#include "runtime/core/block_pool.h"
#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"

static void* elementOf(ListLink* link) { return link + 1; }
static const ListLink* linkOf(const void* element) { return static_cast<const ListLink*>(element) - 1; }

static void* createForTable(int64_t elementSize) { return ListCreate(elementSize); }
static void* copyForTable(const void* list) { return ListCopy(static_cast<const LinkedList*>(list)); }
static void freeForTable(void* list) { ListFree(static_cast<LinkedList*>(list)); }

void ListInit() { ContainerTableInstall(kContainerList, ContainerOps{createForTable, copyForTable, freeForTable}); }

LinkedList* ListCreate(int64_t elementSize) {
    if (elementSize < 0) {
        return nullptr;
    }
    auto* list = static_cast<LinkedList*>(RuntimeAlloc(sizeof(LinkedList)));
    if (list == nullptr) {
        return nullptr;
    }
    list->elementSize = elementSize;
    list->pool = PoolCreate(elementSize + static_cast<int64_t>(sizeof(ListLink)), 16, 65536, kPoolShared);
    if (list->pool == nullptr) {
        RuntimeFree(list);
        return nullptr;
    }
    return list;
}

void* ListAddElement(LinkedList* list) {
    auto* link = static_cast<ListLink*>(PoolTakeZeroed(list->pool));
    if (link == nullptr) {
        return nullptr;
    }
    link->previous = list->last;
    if (list->last != nullptr) {
        list->last->next = link;
    } else {
        list->first = link;
    }
    list->last = link;
    ++list->count;
    return elementOf(link);
}

void* ListFirst(const LinkedList* list) { return list->first != nullptr ? elementOf(list->first) : nullptr; }

void* ListNextOf(const void* element) {
    ListLink* next = linkOf(element)->next;
    return next != nullptr ? elementOf(next) : nullptr;
}

LinkedList* ListCopy(const LinkedList* list) {
    LinkedList* copy = ListCreate(list->elementSize);
    if (copy == nullptr) {
        return nullptr;
    }
    for (ListLink* link = list->first; link != nullptr; link = link->next) {
        void* element = ListAddElement(copy);
        if (element == nullptr) {
            ListFree(copy);
            return nullptr;
        }
        std::memcpy(element, elementOf(link), static_cast<size_t>(list->elementSize));
    }
    return copy;
}

void ListFree(LinkedList* list) {
    if (list == nullptr) {
        return;
    }
    for (ListLink* link = list->first; link != nullptr;) {
        ListLink* next = link->next;
        PoolGive(list->pool, link);
        link = next;
    }
    PoolDestroy(list->pool);
    RuntimeFree(list);
}
