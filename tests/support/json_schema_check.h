#pragma once
// Checking a JSON document against a JSON Schema with Debian's python3-jsonschema.
#include <filesystem>
#include <string>

// The violations of `document` against `schema`, one a line; empty when the document is
// valid. When the validator cannot run (no python3, no jsonschema module, a broken
// schema) the text says so: a check that cannot be made is never taken as passed.
std::string SchemaViolations(const std::filesystem::path& schema, const std::filesystem::path& document);

// The run report's schema in the source tree.
std::filesystem::path RunReportSchema();
