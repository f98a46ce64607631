// The bar's and the groups' records: finding a group in the stack, the host's description and
// title as a record keeps them, and freeing a group or the whole bar.

#include "taskpane/bar_record.h"

#include "taskpane/library.h"

namespace sidefold {

bool validDescription(const SidefoldGroupDescription* d)
{
    return readable(d, sizeof(*d)) && d->size == sizeof(SidefoldGroupDescription);
}

std::string copyTitle(const char* title)
{
    std::string out;
    for (const char* p = title; p && out.size() < 1023; ++p) {
        // Check again at every page boundary: the string may end on an unreadable page.
        if ((p == title || (reinterpret_cast<uintptr_t>(p) & 0xFFF) == 0) && !readable(p, 1)) break;
        if (!*p) break;
        out += *p;
    }
    return out;
}

void restoreTitle(const BarRecord& bar, const char* copy, const char* callerTitle)
{
    for (GroupRecord* g = bar.firstGroup; g; g = g->next)
        if (g->description.title == copy) g->description.title = callerTitle;
}

GroupRecord* groupAt(const BarRecord& bar, WPARAM index)
{
    GroupRecord* g = bar.firstGroup;
    for (WPARAM i = 0; g && i < index; ++i) g = g->next;
    return g;
}

GroupRecord* groupWithId(const BarRecord& bar, WPARAM id)
{
    for (GroupRecord* g = bar.firstGroup; g; g = g->next)
        if (g->description.groupId == static_cast<int>(id)) return g;
    return nullptr;
}

GroupRecord* groupWithHeader(const BarRecord& bar, HWND header)
{
    if (!header) return nullptr;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next)
        if (g->header == header) return g;
    return nullptr;
}

GroupRecord* groupOf(HWND dialog) { return recordOf<GroupRecord>(dialog, RecordTag::Group); }

void freeDeferred(BarRecord& bar)
{
    EnterCriticalSection(&bar.lock);
    DeferredMessage* m = bar.deferredHead;
    bar.deferredHead = bar.deferredTail = nullptr;
    LeaveCriticalSection(&bar.lock);
    while (m) {
        DeferredMessage* next = m->next;
        delete m;
        m = next;
    }
}

void destroyGroup(GroupRecord* g)
{
    // The dialog tells its owner that it goes (WM_DESTROY is forwarded) while the record is valid.
    if (g->dialog && IsWindow(g->dialog)) DestroyWindow(g->dialog);
    if (g->header && IsWindow(g->header)) DestroyWindow(g->header);
    delete g;
}

void freeBarRecord(BarRecord* bar)
{
    GroupRecord* g = bar->graveyard;
    bar->graveyard = nullptr;
    while (g) {
        GroupRecord* next = g->next;
        destroyGroup(g);
        g = next;
    }
    freeDeferred(*bar);
    DeleteCriticalSection(&bar->lock);
    delete bar;
}

}  // namespace sidefold
