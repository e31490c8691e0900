/* The instrument's C interface for the browser: the engine, its parameters'
 * names, labels and display texts, the factory sounds and the MIDI file reader,
 * as plain functions on numbers and pointers, so that JavaScript can call them
 * in the WebAssembly module. The same source builds natively for the benchmark
 * that compares the two. Strings are NUL-terminated UTF-8 (ASCII in practice);
 * a returned string stays valid until the next call that returns one. */
#ifndef ZEPHYRANT_WEB_H
#define ZEPHYRANT_WEB_H

#include <stddef.h>
#include <stdint.h>

/* Marks the functions the WebAssembly module exports: the build reads them from
 * the lines of this header that start with it. */
#define ZEPHYRANT_WEB_API

#ifdef __cplusplus
extern "C" {
#endif

/* The longest run one zephyrant_render call renders; a Web Audio quantum is 128. */
#define ZEPHYRANT_LONGEST_RENDER 1024

typedef struct ZephyrantInstrument ZephyrantInstrument;

/* One engine with its output buffers, at rate, switched on as a host switches an
 * instrument on, with the basic program's values. Null when it could not be made. */
ZEPHYRANT_WEB_API ZephyrantInstrument* zephyrant_create(float rate);
ZEPHYRANT_WEB_API void zephyrant_destroy(ZephyrantInstrument* instrument);
ZEPHYRANT_WEB_API void zephyrant_set_sample_rate(ZephyrantInstrument* instrument, float rate);

/* A parameter's value as a host sets it (Legato keeps the integer truncation);
 * indices out of range are ignored, and read as 0. */
ZEPHYRANT_WEB_API void zephyrant_set_parameter(ZephyrantInstrument* instrument, int32_t index, float value);
ZEPHYRANT_WEB_API float zephyrant_get_parameter(const ZephyrantInstrument* instrument, int32_t index);

/* One MIDI message (status and two data bytes, 0 where the message has fewer) at
 * frame of the next zephyrant_render call; messages come in frame order. */
ZEPHYRANT_WEB_API void zephyrant_midi(ZephyrantInstrument* instrument, int32_t frame, int32_t status, int32_t data1,
                                      int32_t data2);

/* Renders frames frames (at most ZEPHYRANT_LONGEST_RENDER, fewer are cut to it)
 * into the instrument's two channel buffers and answers how many it rendered. */
ZEPHYRANT_WEB_API int32_t zephyrant_render(ZephyrantInstrument* instrument, int32_t frames);
ZEPHYRANT_WEB_API const float* zephyrant_left(const ZephyrantInstrument* instrument);
ZEPHYRANT_WEB_API const float* zephyrant_right(const ZephyrantInstrument* instrument);

/* The parameters as people see them: the name without trailing blanks, the unit
 * label, the basic program's value and the display text of a value as the engine
 * holds it (what a VST 2.x host shows; empty for parameters shown without a
 * number). Out-of-range indices give empty texts and 0. */
ZEPHYRANT_WEB_API int32_t zephyrant_parameter_count(void);
ZEPHYRANT_WEB_API const char* zephyrant_parameter_name(int32_t index);
ZEPHYRANT_WEB_API const char* zephyrant_parameter_label(int32_t index);
ZEPHYRANT_WEB_API float zephyrant_parameter_default(int32_t index);
ZEPHYRANT_WEB_API const char* zephyrant_parameter_display(int32_t index, float value);

/* The factory sounds in the order hosts list them; out-of-range numbers give
 * empty texts and 0. */
ZEPHYRANT_WEB_API int32_t zephyrant_sound_count(void);
ZEPHYRANT_WEB_API const char* zephyrant_sound_name(int32_t sound);
ZEPHYRANT_WEB_API const char* zephyrant_sound_description(int32_t sound);
ZEPHYRANT_WEB_API float zephyrant_sound_value(int32_t sound, int32_t index);

/* Memory the caller fills before handing it over (a MIDI file's bytes). */
ZEPHYRANT_WEB_API void* zephyrant_allocate(size_t size);
ZEPHYRANT_WEB_API void zephyrant_release(void* memory);

/* A Standard MIDI File's channel messages placed on frames at a sample rate, as
 * the offline renderer places them. Each event is 16 bytes: the frame as a
 * double, then the message's three bytes (0 beyond its size) and its size. */
typedef struct ZephyrantScheduledEvent {
    double frame;
    uint8_t bytes[3];
    uint8_t size;
    uint8_t unused[4];
} ZephyrantScheduledEvent;

typedef struct ZephyrantSchedule ZephyrantSchedule;

/* Reads size bytes of a file at data and schedules it at rate (a whole number of
 * Hz from 1). Null only when memory runs out; otherwise check
 * zephyrant_schedule_error, which is empty for a usable file and else says in one
 * line why the file was refused. */
ZEPHYRANT_WEB_API ZephyrantSchedule* zephyrant_schedule_midi_file(const uint8_t* data, size_t size, int32_t rate);
ZEPHYRANT_WEB_API void zephyrant_schedule_free(ZephyrantSchedule* schedule);
ZEPHYRANT_WEB_API const char* zephyrant_schedule_error(const ZephyrantSchedule* schedule);
ZEPHYRANT_WEB_API int32_t zephyrant_schedule_event_count(const ZephyrantSchedule* schedule);
ZEPHYRANT_WEB_API const ZephyrantScheduledEvent* zephyrant_schedule_events(const ZephyrantSchedule* schedule);
/* The frame of the piece's end (its last event of any kind). */
ZEPHYRANT_WEB_API double zephyrant_schedule_end_frame(const ZephyrantSchedule* schedule);
/* The channels on which the file starts a note: bit n for channel n (0 to 15). */
ZEPHYRANT_WEB_API int32_t zephyrant_schedule_note_channels(const ZephyrantSchedule* schedule);

#ifdef __cplusplus
}
#endif

#endif
