#pragma once

#include <vector>

#include "Tools/qxvdb/Records.h"

class TRoutines;

// The rows an import writes (`written[i]`) that stand under the same parent with the same name
// (case, "ё" and runs of blanks aside) as a row written before them or a place the database
// holds: warnings with the row's line, the import goes on. With `newIds` the file's ids only
// shape its own tree.
std::vector<TBadRow> ListNamesakes(TRoutines& calls, const std::vector<TPlaceRow>& rows,
                                   const std::vector<bool>& written, bool newIds);
