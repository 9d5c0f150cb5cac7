#pragma once
// Reports of the model reader that name the place that raised them, in the engine's
// "%s(%d) : %s" form.

// "Very old object loaded." for a bare single-LOD file.
void ReportVeryOldObject();
// "File read error" for a string that runs past the end of the file.
void ReportShapeFileReadError();
