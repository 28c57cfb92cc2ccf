#include "core/counter_persistence.h"

#include "core/profile.h"
#include "core/settings.h"

namespace tesmira {

bool CounterPersistence::Save() {
    const Settings& s = settings_;
    // The date goes with the counters: without it the next start could take today's numbers for
    // another day's and reset them to 1.
    profile_.SetInt("Date year", s.dateYear);
    profile_.SetInt("Date month", s.dateMonth);
    profile_.SetInt("Date day", s.dateDay);
    profile_.SetInt("Rec No.", s.recNo);
    profile_.SetInt("RecTL No.", s.recTlNo);
    profile_.SetInt("StillPhoto", s.stillPhoto);
    return profile_.Flush();
}

}  // namespace tesmira
