// Linked lists of fixed-size elements, their elements carved from a shared block pool.
#pragma once

#include <cstdint>

struct BlockPool;

struct ListLink {
    ListLink* next;
    ListLink* previous;
    // the element's bytes follow
};

struct LinkedList {
    ListLink* first;
    ListLink* last;
    int64_t count;
    int64_t elementSize;
    BlockPool* pool;  // shared pool of links with elements, blocks of 16 to 65536
};

void ListInit();  // installs the list operations in the container table
LinkedList* ListCreate(int64_t elementSize);
void* ListAddElement(LinkedList* list);  // appends a zero-filled element; null on failure
void* ListFirst(const LinkedList* list);
void* ListNextOf(const void* element);   // null after the last element
LinkedList* ListCopy(const LinkedList* list);
void ListFree(LinkedList* list);
