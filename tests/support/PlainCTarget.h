/* A delivery target written the way a C host writes one: a struct whose first
   member points to a table of function pointers in the order of the
   interface's positions, with no type information shared with the library. */
#ifndef KVOGC_TEST_PLAIN_C_TARGET_H
#define KVOGC_TEST_PLAIN_C_TARGET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PlainCTarget PlainCTarget;

/* A new target holding one reference for the caller; null when memory runs out.
   It keeps the text of the last command over its channel (and answers read
   requests with it) and the path of the last file it was told to load. */
PlainCTarget* PlainCTargetCreate(void);
/* Drops the caller's reference; returns the references left. */
uint32_t PlainCTargetRelease(PlainCTarget* target);
uint32_t PlainCTargetReferences(const PlainCTarget* target);
/* Commands taken and files loaded so far; safe while a worker delivers. */
int32_t PlainCTargetDeliveries(const PlainCTarget* target);
/* Read these once PlainCTargetDeliveries shows the delivery. */
const char* PlainCTargetText(const PlainCTarget* target);
const char* PlainCTargetLoadedPath(const PlainCTarget* target);

#ifdef __cplusplus
}
#endif

#endif
