// ombrane-batch lookup: the star catalogue, as the window's Name button reads it.
#include <string>

#include "Batch.h"
#include "common/NumberFormat.h"
#include "timing/Catalogue.h"

namespace ombrane::batch {
namespace {

int RunLookup(const Invocation& invocation) {
  if (invocation.operands.size() != 3)
    throw UsageError("lookup takes a catalogue, a star and a constellation");
  const std::string path(invocation.operands[0]);
  std::string why;
  const std::optional<std::string> text = ReadCatalogueFile(path, &why);
  if (!text) {
    PrintError(why.empty() ? "Cannot open or find file " + path : "Cannot read " + path + ": " + why);
    return kExitUsage;
  }
  bool applied = true;
  for (const CatalogueStep& step : LookupStar(*text, invocation.operands[1], invocation.operands[2])) {
    if (step.field) {
      Print(std::string(CatalogueFieldName(*step.field)) + ": " + CatalogueValueText(step.value, '.'));
    } else {
      Print(step.message);
      if (step.message == "no star") applied = false;
    }
  }
  return applied ? kExitOk : kExitFailed;
}

}  // namespace

extern const Command kLookupCommand;
const Command kLookupCommand{
    .name = "lookup",
    .synopsis = "lookup CATALOGUE STAR CON",
    .help =
        "lookup CATALOGUE STAR CON\n"
        "    Looks the star STAR in constellation CON up in CATALOGUE (a file in the format of\n"
        "    allstars.txt) as the window's Name button does, and prints each field it reads, in\n"
        "    the order it reads them (epoch: M0, period, ra_hours, ra_minutes, ra_seconds,\n"
        "    dec_degrees, dec_arcminutes, dec_arcseconds), as \"NAME: VALUE\", and its messages\n"
        "    (no M0, no period, no REC, no DEC, no star). Exits with 1 after no star.\n",
    .options = {},
    .run = &RunLookup,
    .readsFiles = false,
};

}  // namespace ombrane::batch
