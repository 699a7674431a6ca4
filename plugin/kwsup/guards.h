// Small owners for everything an agent query obtains. Each releases what it
// holds when it goes out of scope and is safe on null, so no early return can
// leak a reply, a buffer, a DOM, a DOM list or a block. They stay inside the
// library: what it exports remains plain functions, plain records and
// integer results, and no exception ever leaves it.
#ifndef KWSUP_GUARDS_H
#define KWSUP_GUARDS_H

#include "cmdfw32.h"
#include "vexcs32.h"
#include "xdoc32.h"

namespace kwsup {

template <typename T, void (*Release)(T*)>
class Owner {
public:
    Owner() = default;
    explicit Owner(T* p) : p_(p) {}
    ~Owner() { reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Owner& operator=(Owner&& o) noexcept {
        if (this != &o) { reset(); p_ = o.p_; o.p_ = nullptr; }
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Hands the object over to the caller; the owner holds nothing afterwards.
    T* release() { T* p = p_; p_ = nullptr; return p; }
    void reset(T* p = nullptr) {
        if (p_) Release(p_);
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

inline void releaseResponse(CLPSResponse* r) { CLPSFreeResponse(r); }
inline void releaseXBuf(ZCSXBuf* b) { ZCSXFreeBuf(b); }
inline void releaseDom(SXDOMNode* n) { SXDOMDestroy(n); }
inline void releaseList(SXDOMList* l) { SXDOMFreeGenericList(l); }
inline void releaseBlock(char* b) { ZCSFreeMem(b); }

using ResponseGuard = Owner<CLPSResponse, releaseResponse>;
using XBufGuard = Owner<ZCSXBuf, releaseXBuf>;
using DomGuard = Owner<SXDOMNode, releaseDom>;
using ListGuard = Owner<SXDOMList, releaseList>;
using BlockGuard = Owner<char, releaseBlock>;

}  // namespace kwsup

#endif
