#pragma once
// The material record that runtime models embed for every material their sections use
// (version 20). A load accepts the older versions too: fields newer than the stored
// version keep their defaults.
class SerializeBinStream;
class TexMaterial;

namespace material_record {
constexpr int kVersion = 20;
}

// Transfers `material` (its name is stored by the caller, before the record). A load
// refuses versions above 20 and version 8 with "Cannot load material %s - bad version
// %d (%d expected)" (error 3) and structure errors with error 4. Returns f.Ok().
bool TransferMaterialRecord(SerializeBinStream& f, TexMaterial& material);
