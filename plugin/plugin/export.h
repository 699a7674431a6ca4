/* Marks the plug-in's exported names; everything else stays hidden. */
#ifndef KWCLP_EXPORT_H
#define KWCLP_EXPORT_H
#define KW_EXPORT __attribute__((visibility("default")))
#endif
