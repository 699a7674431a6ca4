#!/usr/bin/env python3
"""Writes a system description (profile) of any size for the data agent.

The shape is regular so that benchmarks can name objects without reading
the profile back: every controller has the same connectors, every connector
the same enclosures (protocol 8, so disks are named connector:enclosure:target)
and every enclosure the same disks, fans, power supplies, EMMs and probes.
Virtual disks are mirrors over consecutive disk pairs from the first disk on;
the disks they leave over are ready, so the last disks of a controller are
always free for createvdisk and hot spares.

    genprofile.py --connectors 8 --enclosures 4 --disks 64 --vdisks 64 -o big.xml
    genprofile.py --preset 2048 -o big.xml

Identifiers: controller c, connector n, enclosure e, disk t give the disk
"n:e:t" on controller c; virtual disk v (from 0) mirrors disks 2v and 2v+1 in
controller order (connector, then enclosure, then target).
"""

import argparse
import sys
from xml.sax.saxutils import quoteattr

# Shapes used by the benchmark: (connectors, enclosures per connector, disks
# per enclosure, virtual disks), one controller.
PRESETS = {
    "16": (2, 1, 8, 2),
    "256": (4, 2, 32, 8),
    "2048": (8, 4, 64, 64),
}

DISK_BYTES = 1199638052864          # every disk the same size: any pair mirrors
MIRROR_LAYOUT = 4                   # the r1 layout bit
COMPONENTS = ("Fan", "PowerSupply", "EMM", "TemperatureProbe")


def attrs(**values):
    return " ".join(f"{name}={quoteattr(str(value))}" for name, value in values.items())


def controller_attrs(number, max_vds):
    return attrs(
        Name=f"Bench SAS RAID {number}", State="Ready", VendorID="7301", SlotID=f"PCI Slot {number + 1}",
        SerialNumber=f"BENCH{number:07d}", FirmwareVersion="4.270.00-8178", DriverVersion="07.710.50.00",
        CacheSize="1073741824", RAIDLevelsMask="1000000101011000110", StripeSizesMask="111111110000",
        ReadPolicyMask="11100", WritePolicyMask="101100", CachePolicyMask="11", DiskCachePolicyMask="11",
        PatrolReadModeMask="111", PatrolReadMode="1", PatrolReadState="Stopped", PatrolReadIterations="0",
        RebuildRate="30", BGIRate="30", CheckConsistencyRate="30", ReconstructRate="30", PatrolReadRate="30",
        MaxVDAllowed=str(max_vds), MaxNameLength="15", AlarmState="Enabled")


def enclosure_attrs(controller, connector, enclosure, disks):
    return attrs(
        Name=f"Backplane {connector}:{enclosure}", State="Ready", Vendor="Kestrel", ProductID="KBP-64",
        FirmwareVersion="1.07", ServiceTag=f"KB{controller:02d}{connector:03d}{enclosure:03d}",
        AssetTag=f"R{connector}-U{enclosure}", AssetName="Storage backplane", MaxAssetTagLength="10",
        MaxAssetNameLength="32", SlotCount=str(disks), AlarmState="Disabled")


def disk_attrs(controller, serial):
    return attrs(
        MediaType="HDD", Length=str(DISK_BYTES), Vendor="Halden", ProductID="HL1200-SAS10K",
        SerialNumber=f"HLD{controller:02d}{serial:07d}", FirmwareVersion="KT07", NegotiatedSpeed="12 Gbps")


def component_line(kind, index):
    if kind == "Fan":
        return f'<Fan {attrs(Name=f"Fan {index}", State="Ready", Speed=5200 + index)}/>'
    if kind == "PowerSupply":
        return f'<PowerSupply {attrs(Name=f"Power Supply {index}", State="Ready", Wattage=750, FirmwareVersion="2.01")}/>'
    if kind == "EMM":
        return f'<EMM {attrs(Name=f"EMM {index}", State="Ready", FirmwareVersion="1.07", PartNumber="KEM-2201")}/>'
    return ('<TemperatureProbe ' + attrs(Name=f"Probe {index}", Reading=30, MinFailure=0, MinWarning=5,
                                          MaxWarning=55, MaxFailure=60, LowEndMinWarning=1,
                                          HighEndMinWarning=30, LowEndMaxWarning=35, HighEndMaxWarning=59) + '/>')


def disk_ids(connectors, enclosures, disks):
    return [f"{n}:{e}:{t}" for n in range(connectors) for e in range(enclosures) for t in range(disks)]


def write_controller(out, c, args):
    ids = disk_ids(args.connectors, args.enclosures, args.disks)
    if 2 * args.vdisks > len(ids):
        raise SystemExit(f"genprofile: {args.vdisks} mirrors need {2 * args.vdisks} disks, "
                         f"a controller has {len(ids)}")
    out.append(f"  <Controller {controller_attrs(c, max(64, args.vdisks + 8))}>")
    serial = 0
    for n in range(args.connectors):
        out.append(f'    <Connector {attrs(Name=f"Connector {n}", State="Ready", BusProtocol=8)}>')
        for e in range(args.enclosures):
            out.append(f"      <Enclosure {enclosure_attrs(c, n, e, args.disks)}>")
            for t in range(args.disks):
                out.append(f'        <PhysicalDisk TargetID="{t}" {disk_attrs(c, serial)}/>')
                serial += 1
            for kind in COMPONENTS:
                for i in range(args.components):
                    out.append("        " + component_line(kind, i))
            out.append("      </Enclosure>")
        out.append("    </Connector>")
    for v in range(args.vdisks):
        members = f"{ids[2 * v]},{ids[2 * v + 1]}"
        out.append(f"    <VirtualDisk {attrs(Name=f'Mirror {v}', Layout=MIRROR_LAYOUT, Disks=members, StripeSize=128, ReadPolicy=4, WritePolicy=4, CachePolicy=1, DiskCachePolicy=2)}/>")
    out.append(f'    <Battery {attrs(Name="Battery 0", State="Ready", ChargeLevel=100, LearnState="Idle", MaxLearnDelay=168)}/>')
    out.append("  </Controller>")


def profile_text(args):
    total = args.controllers * args.connectors * args.enclosures * args.disks
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           f"<!-- Generated by bench/genprofile.py: {args.controllers} controller(s) x {args.connectors} "
           f"connector(s) x {args.enclosures} enclosure(s) x {args.disks} disk(s) = {total} disks, "
           f"{args.vdisks} mirror(s) per controller. -->",
           "<StorageProfile>",
           f'  <StorageObject {attrs(Name="Storage", State="Ready", SMARTThermalShutdown="Enabled")}/>']
    for c in range(args.controllers):
        write_controller(out, c, args)
    out.append("</StorageProfile>")
    return "\n".join(out) + "\n"


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--preset", choices=sorted(PRESETS, key=int), help="a benchmark shape (disks per controller)")
    p.add_argument("--controllers", type=int, default=1)
    p.add_argument("--connectors", type=int, default=2, help="per controller")
    p.add_argument("--enclosures", type=int, default=1, help="per connector")
    p.add_argument("--disks", type=int, default=8, help="per enclosure")
    p.add_argument("--vdisks", type=int, default=2, help="mirrors per controller")
    p.add_argument("--components", type=int, default=2, help="fans, power supplies, EMMs and probes per enclosure")
    p.add_argument("-o", "--output", default="-", help="file to write (default standard output)")
    args = p.parse_args(argv)
    if args.preset:
        args.connectors, args.enclosures, args.disks, args.vdisks = PRESETS[args.preset]
    for name in ("controllers", "connectors", "enclosures", "disks"):
        if getattr(args, name) < 1:
            p.error(f"--{name} must be at least 1")
    if args.vdisks < 0 or args.components < 0:
        p.error("--vdisks and --components cannot be negative")
    return args


def main(argv):
    args = parse_args(argv)
    text = profile_text(args)
    if args.output == "-":
        sys.stdout.write(text)
    else:
        with open(args.output, "w", encoding="utf-8") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
