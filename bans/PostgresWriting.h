#pragma once
// How each writing operation of the PostgreSQL ban store runs, whichever file holds it.

#include "bans/PostgresBanStore.h"

namespace th {

// An operation that writes: inside the caller's transaction when one is open, otherwise
// in one of its own that, like every writer's, takes the writers' lock first.
class PostgresBanStore::Writing {
  public:
    explicit Writing(PostgresBanStore& store) : store_(store), own_(!store.db_.inTransaction()) {
        if (own_) store_.begin();
    }
    ~Writing() {
        if (own_ && !done_) store_.rollback();
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;
    void done() {
        if (own_) store_.commit();
        done_ = true;
    }

  private:
    PostgresBanStore& store_;
    bool own_, done_ = false;
};

}  // namespace th
