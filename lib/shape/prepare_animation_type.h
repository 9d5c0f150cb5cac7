#pragma once
// The model's animation type from the clip flags of its LODs: land-contact and decal
// flags that not every LOD shares, and the old lighting flag, need software animation.
class LODShape;

// Third model-level step.
void DecideAnimationType(LODShape& model);
