#!/usr/bin/env bash
# Lays out the kernel's view of a small server's storage under OUT, for the
# tests of the machine's own storage (KWDA_SYSFS=OUT/sys KWDA_PROC=OUT/proc
# KWDA_PCI_IDS=OUT/pci.ids). Plain files and relative symlinks, as sysfs has:
#   SATA adapter 0000:00:11.0: four ports, sda (mounted on /, swap) and sdb on
#     the first two, an optical drive on the third (not a disk);
#   SAS adapter 0000:03:00.0 behind a bridge: host4 with an SES enclosure of
#     eight slots holding sdc..sdh; md0 is a RAID-5 of sdc, sdd, sde and sdf,
#     sdf failed, sdg recovering into its slot at 37 %, md0 mounted on /srv;
#   two NVMe drives, a virtio disk; a loop device and zram (not disks).
# Usage: make-machine.sh OUT   (OUT is replaced)
set -euo pipefail
OUT=${1:?usage: make-machine.sh OUT}
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
S=$OUT/sys
P=$S/devices/pci0000:00

put() { mkdir -p "$(dirname "$1")"; printf '%s\n' "$2" >"$1"; }
link() { mkdir -p "$(dirname "$1")" "$2"; ln -sfn --relative "$2" "$1"; }

pci() {  # dir vendor device class driver
    put "$1/vendor" "$2"; put "$1/device" "$3"; put "$1/class" "$4"
    link "$1/driver" "$S/bus/pci/drivers/$5"
}

host() {  # dir number
    put "$1/scsi_host/host$2/scan" ""
    link "$S/class/scsi_host/host$2" "$1/scsi_host/host$2"
}

block() {  # block-dir name maj:min sectors rotational
    put "$1/size" "$4"; put "$1/dev" "$3"; put "$1/removable" 0; put "$1/queue/rotational" "$5"
    link "$S/block/$2" "$1"; link "$S/class/block/$2" "$1"; link "$S/dev/block/$3" "$1"
}

partition() {  # disk-block-dir name maj:min sectors
    put "$1/$2/partition" 1; put "$1/$2/size" "$4"; put "$1/$2/dev" "$3"
    link "$S/class/block/$2" "$1/$2"; link "$S/dev/block/$3" "$1/$2"
}

scsi_device() {  # dir type vendor model rev serial
    put "$1/type" "$2"; put "$1/vendor" "$3"; put "$1/model" "$4"; put "$1/rev" "$5"; put "$1/state" running
    # Unit serial number page: four bytes of header, the last the length.
    printf "\\000\\200\\000\\$(printf '%03o' ${#6})%s" "$6" >"$1/vpd_pg80"
}

scsi_disk() {  # device-dir name maj:min sectors rotational vendor model rev serial
    scsi_device "$1" 0 "$6" "$7" "$8" "$9"
    block "$1/block/$2" "$2" "$3" "$4" "$5"
    link "$1/block/$2/device" "$1"
}

# ---------------------------------------------------------------- SATA
A=$P/0000:00:11.0
pci "$A" 0x1f2e 0x0611 0x010601 ahci
for port in 1 2 3 4; do host "$A/ata$port/host$((port - 1))" $((port - 1)); done
scsi_disk "$A/ata1/host0/target0:0:0/0:0:0:0" sda 8:0 1953525168 1 ATA "Orvik OR1000-SATA" CC43 ORV5521001
partition "$A/ata1/host0/target0:0:0/0:0:0:0/block/sda" sda1 8:1 1936746496
partition "$A/ata1/host0/target0:0:0/0:0:0:0/block/sda" sda2 8:2 16777216
scsi_disk "$A/ata2/host1/target1:0:0/1:0:0:0" sdb 8:16 1953525168 1 ATA "Orvik OR1000-SATA" CC43 ORV5521002
scsi_device "$A/ata3/host2/target2:0:0/2:0:0:0" 5 TOLV "DVD-RW 24X" 1.00 ""
block "$A/ata3/host2/target2:0:0/2:0:0:0/block/sr0" sr0 11:0 2097152 1

# ----------------------------------------------------------------- SAS
B=$P/0000:00:1c.0/0000:03:00.0
pci "$P/0000:00:1c.0" 0x1f2e 0x0f01 0x060400 pcieport
pci "$B" 0x1f3a 0x0a12 0x010700 sasrk
host "$B/host4" 4
mkdir -p "$B/host4/sas_host/host4"
SECTORS=2343043072
serials=(HLD1B2D400 HLD1B2D411 HLD1B2D422 HLD1B2D433 HLD1B2D444 HLD1B2D455)
names=(sdc sdd sde sdf sdg sdh)
for k in 0 1 2 3 4 5; do
    scsi_disk "$B/host4/target4:0:$k/4:0:$k:0" "${names[$k]}" "8:$((32 + 16 * k))" $SECTORS 1 \
        HALDEN HL1200-SAS10K KT07 "${serials[$k]}"
done
SES=$B/host4/target4:0:8/4:0:8:0
scsi_device "$SES" 13 Kestrel KBP-8 0107 KBP0800
E=$SES/enclosure/4:0:8:0
link "$S/class/enclosure/4:0:8:0" "$E"
link "$E/device" "$SES"
put "$E/components" 8
for slot in 0 1 2 3 4 5 6 7; do
    C="$E/Slot 0$slot"
    put "$C/slot" $slot; put "$C/locate" 0; put "$C/fault" 0
    if [ $slot -lt 6 ]; then
        put "$C/status" OK
        link "$C/device" "$B/host4/target4:0:$slot/4:0:$slot:0"
    else
        put "$C/status" "not installed"
    fi
done

# md0: RAID-5 over four slots; sdf failed, sdg recovering into slot 3.
M=$S/devices/virtual/block/md0
MEMBER=$((SECTORS - 262144))
block "$M" md0 9:0 $((3 * MEMBER)) 1
put "$M/md/level" raid5; put "$M/md/raid_disks" 4; put "$M/md/chunk_size" 524288
put "$M/md/array_state" active; put "$M/md/degraded" 1; put "$M/md/sync_action" recover
put "$M/md/sync_completed" "$(((MEMBER * 37 + 99) / 100)) / $MEMBER"
put "$M/md/sync_speed" 150000
member() {  # disk state slot
    put "$M/md/dev-$1/state" "$2"; put "$M/md/dev-$1/slot" "$3"
    link "$M/md/dev-$1/block" "$(readlink -f "$S/class/block/$1")"
    link "$M/slaves/$1" "$(readlink -f "$S/class/block/$1")"
}
member sdc in_sync 0
member sdd in_sync 1
member sde in_sync 2
member sdf faulty none
member sdg spare 3

# ---------------------------------------------------------------- NVMe
nvme() {  # pci-dir number maj:min serial
    local N=$1/nvme/nvme$2
    pci "$1" 0x1f77 0x0a01 0x010802 nvme
    put "$N/model" "Velari VN960 NVMe"; put "$N/serial" "$4"; put "$N/firmware_rev" 2.1.4
    put "$N/state" live; put "$N/rescan_controller" ""
    link "$S/class/nvme/nvme$2" "$N"
    block "$N/nvme${2}n1" "nvme${2}n1" "$3" 1875385008 0
    link "$N/nvme${2}n1/device" "$N"
}
nvme "$P/0000:00:1d.0/0000:04:00.0" 0 259:0 VLR9600001
nvme "$P/0000:00:1d.1/0000:05:00.0" 1 259:1 VLR9600002

# -------------------------------------------------------------- virtio
V=$P/0000:00:1e.0
pci "$V" 0x1f80 0x1042 0x018000 virtio-pci
block "$V/virtio3/block/vda" vda 254:0 83886080 1
put "$V/virtio3/block/vda/serial" VD0003
link "$V/virtio3/block/vda/device" "$V/virtio3"

# ------------------------------------------------- not disks of a controller
block "$S/devices/virtual/block/loop0" loop0 7:0 0 1
block "$S/devices/virtual/block/zram0" zram0 252:0 8388608 0

# ------------------------------------------------------------------ /proc
put "$OUT/proc/self/mountinfo" "21 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw
22 21 0:22 / /sys rw,relatime - sysfs sysfs rw
23 21 9:0 / /srv rw,relatime - xfs /dev/md0 rw"
put "$OUT/proc/swaps" "Filename				Type		Size		Used		Priority
/dev/sda2                               partition	8388604		0		-2
/var/swapfile                           file		1048572		0		-3"

# ------------------------------------------------------ PCI ID database
put "$OUT/pci.ids" "# invented names for the test machine
1f2e  Tolvaner Systems
	0611  TS6 SATA AHCI controller
	0f01  TS root port
1f3a  Kestrel Storage
	0a12  KS8 SAS HBA"
