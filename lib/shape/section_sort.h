#pragma once
// Sorting the faces of a LOD into sections.
//
// Faces drawn with alpha (special flag 0x20000) go last, in their order; the others are
// ordered by material, special flags, texture and position. Runs of faces with equal
// texture, material and flags become one section each. Named selections follow their
// faces to the new positions.
class Shape;

// Reorders the faces of `shape` and builds its sections (bone windows empty).
void SortFacesIntoSections(Shape& shape);

// The sections each named selection covers: those all of whose faces it selects.
void AssignSelectionSections(Shape& shape);

// The index of the section holding the face at byte offset `offset`, -1 when none.
int SectionOfFaceOffset(const Shape& shape, int offset);
