#pragma once
// The script every document loads into its engine before anything else: one line of
// printable ASCII. It defines get__count (Count's helper), a JSON object with stringify and
// parse for engines that have none (and Date's toJSON where missing), and the two helpers
// toJSONString and parseJSON on Object.prototype. On an engine with its own JSON it defines
// only get__count and the two helpers.
#include "text/types.h"

namespace seo {

extern const Text JsonPrelude;

}  // namespace seo
