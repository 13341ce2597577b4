#pragma once
// Functions that pass over whole buffers run in wider vectors where the
// processor has them; the results are the same integers either way.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define PANDEMIE_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define PANDEMIE_VECTOR_CLONES
#endif
