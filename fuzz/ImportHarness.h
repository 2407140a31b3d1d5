// The import path every text and FITS harness takes, as the import dialog and the batch do: the
// file inspected, read with the choices the inspection guessed, read again binned to the store's
// room, and the observations loaded into fresh records. The program's own refusals (InputError,
// and the checked arithmetic's FloatingPointError and ConversionError) end an input quietly.
#pragma once

#include <memory>
#include <string>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/TextToFloat.h"
#include "io/Import.h"
#include "store/Loading.h"

namespace ombrane::fuzz {

inline void Import(const std::string& path, const io::ImportOptions& given = {}) {
  static const auto data = std::make_unique<Data>();
  static const auto star = std::make_unique<Star>();
  static const auto view = std::make_unique<ViewState>();
  try {
    const io::ImportPreview preview = io::InspectImport(path, "input", given);
    const io::ImportResult result = io::ReadImport(path, "input", preview.options);
    LoadObservations(result.observations, "input", "input", *data, *star, *view);
    io::ImportOptions binned = preview.options;
    binned.binning = io::Binning::Auto;
    io::ReadImport(path, "input", binned);
  } catch (const InputError&) {
  } catch (const FloatingPointError&) {
  } catch (const ConversionError&) {
  }
}

}  // namespace ombrane::fuzz
