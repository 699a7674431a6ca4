// Reports as metrics for Prometheus: the OpenMetrics text format, which the
// Prometheus text format (0.0.4) also reads, so the same output serves a
// scrape and node_exporter's textfile collector alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "complete.h"
#include "render.h"

namespace rkhost {

// Whether a controller could be read in a whole-system scrape. An empty
// controller stands for the system itself (its storage object and the list
// of its controllers).
struct ScrapeStatus {
    std::string controller;
    bool failed = false;
};

// The objects of one or more replies as metric families, each family's
// lines together, ending with "# EOF". Every kind of object has its families
// (info, state, sizes, temperatures, ...) in one table; an element that an
// object does not carry gives no series. An object that two replies both
// hold is shown once. `scrape` adds rk_scrape_error.
std::string openMetrics(const std::vector<Object>& objects, const std::vector<ScrapeStatus>& scrape = {});

// The alert log's events counted by severity.
std::string alertLogMetrics(const std::vector<Object>& events);

// A report that went wrong during a whole-system scrape.
struct ScrapeProblem {
    std::string controller;  // empty: the system itself
    std::string line;        // the report line, as typed
    ProbeAnswer answer;
};

struct Scrape {
    std::string text;  // always a complete exposition
    std::vector<ScrapeProblem> problems;
};

// One scrape of the whole system through the plug-in's own reports, so every
// identifier check runs as for a report typed by hand: the storage object,
// the controllers, and per controller its virtual disks, connectors,
// physical disks, enclosures (with their fans, power supplies, EMMs and
// temperature probes) and batteries, one report per kind. A controller
// whose reports fail is marked in rk_scrape_error; the rest still comes out.
Scrape scrapeSystem(const Probe& report);

}  // namespace rkhost
