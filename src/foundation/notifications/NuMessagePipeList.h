#pragma once
// The intrusive doubly linked list that holds a recipient's message pipes.
// A link knows the list it sits in (null while unlinked), so unlinking a
// link that is in no list does nothing.
class NuMessagePipe;
struct NuMessagePipeList;

struct NuMessagePipeLink {
    NuMessagePipeLink* previous = nullptr;
    NuMessagePipeLink* next = nullptr;
    NuMessagePipeList* list = nullptr;
    NuMessagePipe* object = nullptr;
};

struct NuMessagePipeList {
    NuMessagePipeLink* first = nullptr;
    NuMessagePipeLink* last = nullptr;

    bool IsEmpty() const { return first == nullptr; }

    // Appends an unlinked link at the end.
    void Append(NuMessagePipeLink& link) {
        link.previous = last;
        link.next = nullptr;
        link.list = this;
        if (last)
            last->next = &link;
        else
            first = &link;
        last = &link;
    }

    // Takes the link out of the list it sits in; nothing when it sits in none.
    static void Unlink(NuMessagePipeLink& link) {
        NuMessagePipeList* owner = link.list;
        if (!owner) return;
        if (link.previous)
            link.previous->next = link.next;
        else
            owner->first = link.next;
        if (link.next)
            link.next->previous = link.previous;
        else
            owner->last = link.previous;
        link.previous = nullptr;
        link.next = nullptr;
        link.list = nullptr;
    }
};
