#include "support/PlainCTarget.h"

#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>

enum { kNotImpl = (int32_t)0x80004001, kInvalidArg = (int32_t)0x80070057, kKindGeometry = 1 };

/* The library's command object, seen from C: positions 0 to 5. */
typedef struct Command Command;
typedef struct CommandTable {
  int32_t (*QueryInterface)(Command* self, const void* iid, void** object);
  uint32_t (*AddRef)(Command* self);
  uint32_t (*Release)(Command* self);
  int32_t (*SetRequest)(Command* self, int32_t kind, const void* data, uint32_t size);
  int32_t (*GetRequest)(Command* self, int32_t* kind, const void** data, uint32_t* size);
  int32_t (*SetReply)(Command* self, int32_t index, const char* text);
} CommandTable;
struct Command {
  const CommandTable* table;
};

typedef struct Channel Channel;
typedef struct ChannelTable {
  int32_t (*QueryInterface)(Channel* self, const void* iid, void** object);
  uint32_t (*AddRef)(Channel* self);
  uint32_t (*Release)(Channel* self);
  int32_t (*Reserved[3])(Channel* self);
  int32_t (*ExecuteCommand)(Channel* self, Command* command);
  int32_t (*ExecuteRequest)(Channel* self, int32_t kind, Command* command);
} ChannelTable;
struct Channel {
  const ChannelTable* table;
  atomic_uint refs;
  PlainCTarget* target;
};

typedef struct TargetTable {
  int32_t (*QueryInterface)(PlainCTarget* self, const void* iid, void** object);
  uint32_t (*AddRef)(PlainCTarget* self);
  uint32_t (*Release)(PlainCTarget* self);
  int32_t (*Reserved3To10[8])(PlainCTarget* self);
  int32_t (*GetChannel)(PlainCTarget* self, Channel** channel);
  int32_t (*Reserved12To17[6])(PlainCTarget* self);
  int32_t (*LoadGeoObjFile)(PlainCTarget* self, const char* path);
} TargetTable;
struct PlainCTarget {
  const TargetTable* table;
  atomic_uint refs;
  atomic_int deliveries;
  char* text;
  char* path;
};

static char* Copy(const char* data, size_t size) {
  char* copy = malloc(size + 1);
  if (copy != NULL) {
    memcpy(copy, data, size);
    copy[size] = '\0';
  }
  return copy;
}

static void Replace(char** slot, char* value) {
  free(*slot);
  *slot = value;
}

static int32_t TargetQuery(PlainCTarget* self, const void* iid, void** object) {
  (void)self;
  (void)iid;
  if (object != NULL) *object = NULL;
  return kNotImpl;
}
static uint32_t TargetAddRef(PlainCTarget* self) { return atomic_fetch_add(&self->refs, 1) + 1; }
static uint32_t TargetRelease(PlainCTarget* self) {
  const uint32_t left = atomic_fetch_sub(&self->refs, 1) - 1;
  if (left == 0) {
    free(self->text);
    free(self->path);
    free(self);
  }
  return left;
}
static int32_t TargetReserved(PlainCTarget* self) {
  (void)self;
  return kNotImpl;
}

static int32_t ChannelQuery(Channel* self, const void* iid, void** object) {
  (void)self;
  (void)iid;
  if (object != NULL) *object = NULL;
  return kNotImpl;
}
static uint32_t ChannelAddRef(Channel* self) { return atomic_fetch_add(&self->refs, 1) + 1; }
static uint32_t ChannelRelease(Channel* self) {
  const uint32_t left = atomic_fetch_sub(&self->refs, 1) - 1;
  if (left == 0) {
    TargetRelease(self->target);
    free(self);
  }
  return left;
}
static int32_t ChannelReserved(Channel* self) {
  (void)self;
  return kNotImpl;
}
static int32_t ExecuteCommand(Channel* self, Command* command) {
  int32_t kind = 0;
  const void* data = NULL;
  uint32_t size = 0;
  const int32_t status = command->table->GetRequest(command, &kind, &data, &size);
  if (status < 0) return status;
  if (kind != kKindGeometry) return kInvalidArg;
  Replace(&self->target->text, Copy(data, size));
  atomic_fetch_add(&self->target->deliveries, 1);
  return 0;
}
static int32_t ExecuteRequest(Channel* self, int32_t kind, Command* command) {
  if (kind != kKindGeometry) return kInvalidArg;
  return command->table->SetReply(command, 0, self->target->text ? self->target->text : "");
}

static const ChannelTable kChannelTable = {
    .QueryInterface = ChannelQuery,
    .AddRef = ChannelAddRef,
    .Release = ChannelRelease,
    .Reserved = {ChannelReserved, ChannelReserved, ChannelReserved},
    .ExecuteCommand = ExecuteCommand,
    .ExecuteRequest = ExecuteRequest,
};

static int32_t GetChannel(PlainCTarget* self, Channel** channel) {
  if (channel == NULL) return kInvalidArg;
  *channel = malloc(sizeof(Channel));
  if (*channel == NULL) return (int32_t)0x8007000E;
  (*channel)->table = &kChannelTable;
  atomic_init(&(*channel)->refs, 1);
  (*channel)->target = self;
  TargetAddRef(self);
  return 0;
}
static int32_t LoadGeoObjFile(PlainCTarget* self, const char* path) {
  Replace(&self->path, Copy(path, strlen(path)));
  atomic_fetch_add(&self->deliveries, 1);
  return 0;
}

static const TargetTable kTargetTable = {
    .QueryInterface = TargetQuery,
    .AddRef = TargetAddRef,
    .Release = TargetRelease,
    .Reserved3To10 = {TargetReserved, TargetReserved, TargetReserved, TargetReserved,
                      TargetReserved, TargetReserved, TargetReserved, TargetReserved},
    .GetChannel = GetChannel,
    .Reserved12To17 = {TargetReserved, TargetReserved, TargetReserved, TargetReserved,
                       TargetReserved, TargetReserved},
    .LoadGeoObjFile = LoadGeoObjFile,
};

PlainCTarget* PlainCTargetCreate(void) {
  PlainCTarget* target = calloc(1, sizeof(PlainCTarget));
  if (target == NULL) return NULL;
  target->table = &kTargetTable;
  atomic_init(&target->refs, 1);
  atomic_init(&target->deliveries, 0);
  return target;
}

uint32_t PlainCTargetRelease(PlainCTarget* target) { return TargetRelease(target); }
uint32_t PlainCTargetReferences(const PlainCTarget* target) {
  return atomic_load(&((PlainCTarget*)target)->refs);
}
int32_t PlainCTargetDeliveries(const PlainCTarget* target) {
  return atomic_load(&((PlainCTarget*)target)->deliveries);
}
const char* PlainCTargetText(const PlainCTarget* target) { return target->text; }
const char* PlainCTargetLoadedPath(const PlainCTarget* target) { return target->path; }
