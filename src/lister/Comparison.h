#pragma once

// The lister's --diff: a saved listing against a fresh snapshot, or against
// each of many saved listings in turn.
#include "ListerArguments.h"
#include "ListerOutput.h"
#include "ListingDiff.h"
#include "StreamWriter.h"

namespace Lister {

// Fills a listing with a fresh snapshot's rows, with the details when asked.
struct FreshListing {
    void (*take)(void* context, bool details, SavedListing& into);
    void* context;
};

// Compares the first listing with each later one (a pattern's files sorted
// by name), holding two at a time, or with a fresh snapshot when none is
// given. Changes go to `out`, each listing's headed by its file's name
// (text) or named in the Listing column (CSV) where there are many; a
// listing that cannot be read or is not one is named on `errors`.
Exit compareListed(const ListerArguments& asked, const DiffScope& scope, const FreshListing& fresh, StreamWriter& out,
                   StreamWriter& errors);

} // namespace Lister
