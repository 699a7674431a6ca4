<?xml version="1.0" encoding="UTF-8"?>
<!--
  Shared rendering of storage replies as text.

  Input: <Reply command=".." status="0"><DCStorageObject><Elem>value</Elem>...
  </DCStorageObject>...</Reply>.

  Every object becomes one block: a title line ("Physical Disk 0:0:3") and
  aligned "Name : value" lines. The kind of an object comes from its ObjType
  element, or from the sheet's default kind ($rk.kind) when it has none. The
  elements known for that kind come first, in a sensible order and with
  human labels and units; every other element follows under a label made
  from its name, so nothing the agent answers is hidden. Binary-digit masks
  are left out (they are for machines) except where a kind turns one into a
  readable list ("Supported RAID Levels"). Missing or unexpected elements
  never break a sheet: a field whose element is absent is simply not shown.

  A report sheet imports this one and sets:
    rk.kind     default kind of its objects ('Controller', 'PhysicalDisk', ...)
    rk.empty    the line shown when the reply holds no object
    rk.heading  an optional heading line above the blocks
    rk.only     optional: a blank-separated list of the only elements shown
                (no other elements then follow)
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:rk="urn:rk:report-sheets"
    exclude-result-prefixes="rk">

  <xsl:output method="text" encoding="UTF-8"/>

  <xsl:variable name="rk.kind" select="''"/>
  <xsl:variable name="rk.empty" select="'No objects found.'"/>
  <xsl:variable name="rk.heading" select="''"/>
  <xsl:variable name="rk.only" select="''"/>

  <!-- This sheet's own tables below (document('') is the sheet that holds
       the expression, so the tables are found from every importing sheet). -->
  <xsl:variable name="rk.tables" select="document('')/xsl:stylesheet"/>
  <xsl:variable name="rk.nl" select="'&#10;'"/>
  <xsl:variable name="rk.spaces" select="'                                                            '"/>
  <!-- A reply that spans controllers names each object's controller in its title. -->
  <xsl:variable name="rk.firstController" select="string((//DCStorageObject/GlobalNo)[1])"/>
  <xsl:variable name="rk.severalControllers"
      select="boolean(//DCStorageObject/GlobalNo[normalize-space(.) != normalize-space($rk.firstController)])"/>

  <!-- ===================================================================
       Kinds of objects: title and fields in the order they are shown.
       type: text (default), size, percent, map, bits, state, time, hours,
             rpm, watts, celsius, range, hotspare, diskid, enclosureid, list
             (a comma-separated list, shown with blanks), omit
       Known elements with an empty value are left out.
       with: a second element the field reads (and so hides from the rest)
       absent: the value shown when the element is absent (else no row)
       on a kind: a system may hold thousands of its objects; the
       build writes a block of its own for it (share/tools/blocks.xsl)
       ================================================================== -->
  <rk:kinds>
    <rk:kind name="StorageObject" title="Storage System">
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="RollupStatus" label="Rollup Status"/>
      <rk:field name="Attention" label="Needs Attention"/>
      <rk:field name="AgentVersion" label="Storage Agent Version"/>
      <rk:field name="ControllerCount" label="Controllers"/>
      <rk:field name="SMARTThermalShutdown" label="SMART Thermal Shutdown"/>
    </rk:kind>

    <rk:kind name="Controller" title="Controller" id="GlobalNo">
      <rk:field name="GlobalNo" label="ID"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="RollupStatus" label="Rollup Status"/>
      <rk:field name="Attention" label="Needs Attention"/>
      <rk:field name="TaskStart" label="Task Started" type="time"/>
      <rk:field name="SlotID" label="Slot"/>
      <rk:field name="VendorID" label="Vendor ID"/>
      <rk:field name="SerialNumber" label="Serial Number"/>
      <rk:field name="FirmwareVersion" label="Firmware Version"/>
      <rk:field name="DriverVersion" label="Driver Version"/>
      <rk:field name="CacheSize" label="Cache Memory Size" type="size"/>
      <rk:field name="AlarmState" label="Alarm"/>
      <rk:field name="ForeignConfig" label="Foreign Configuration"/>
      <rk:field name="RebuildRate" label="Rebuild Rate" type="percent"/>
      <rk:field name="BGIRate" label="Background Initialisation Rate" type="percent"/>
      <rk:field name="CheckConsistencyRate" label="Check Consistency Rate" type="percent"/>
      <rk:field name="ReconstructRate" label="Reconstruct Rate" type="percent"/>
      <rk:field name="PatrolReadRate" label="Patrol Read Rate" type="percent"/>
      <rk:field name="PatrolReadMode" label="Patrol Read Mode" type="map" map="patrolmode"/>
      <rk:field name="PatrolReadState" label="Patrol Read State"/>
      <rk:field name="PatrolReadIterations" label="Patrol Read Iterations"/>
      <rk:field name="MaxVDAllowed" label="Maximum Virtual Disks"/>
      <rk:field name="MaxNameLength" label="Maximum Name Length"/>
      <rk:field name="RAIDLevelsMask" label="Supported RAID Levels" type="bits" map="raid"/>
      <rk:field name="StripeSizesMask" label="Supported Stripe Sizes" type="bits" map="stripe"/>
      <rk:field name="ReadPolicyMask" label="Supported Read Policies" type="bits" map="readpolicy"/>
      <rk:field name="WritePolicyMask" label="Supported Write Policies" type="bits" map="writepolicy"/>
      <rk:field name="CachePolicyMask" label="Supported Cache Policies" type="bits" map="cachepolicy"/>
      <rk:field name="DiskCachePolicyMask" label="Supported Disk Cache Policies" type="bits" map="diskcache"/>
      <rk:field name="PatrolReadModeMask" label="Supported Patrol Read Modes" type="bits" map="patrolmode"/>
    </rk:kind>

    <rk:kind name="Connector" title="Connector" id="Channel">
      <rk:field name="Channel" label="ID"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="BusProtocol" label="Bus Protocol" type="map" map="protocol"/>
    </rk:kind>

    <rk:kind name="Enclosure" title="Enclosure">
      <rk:field name="ID" label="ID" type="enclosureid"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure Number"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="BusProtocol" label="Bus Protocol" type="map" map="protocol"/>
      <rk:field name="Vendor" label="Vendor"/>
      <rk:field name="ProductID" label="Product ID"/>
      <rk:field name="FirmwareVersion" label="Firmware Version"/>
      <rk:field name="ServiceTag" label="Service Tag"/>
      <rk:field name="AssetTag" label="Asset Tag"/>
      <rk:field name="AssetName" label="Asset Name"/>
      <rk:field name="SlotCount" label="Slots"/>
      <rk:field name="AlarmState" label="Alarm"/>
      <rk:field name="Blink" label="Blinking"/>
      <rk:field name="MaxAssetTagLength" label="Maximum Asset Tag Length"/>
      <rk:field name="MaxAssetNameLength" label="Maximum Asset Name Length"/>
    </rk:kind>

    <rk:kind name="PhysicalDisk" title="Physical Disk">
      <rk:field name="ID" label="ID" type="diskid"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure"/>
      <rk:field name="TargetID" label="Target ID"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="TaskStart" label="Task Started" type="time"/>
      <rk:field name="HotSpareFor" label="Hot Spare" type="hotspare" absent="No"/>
      <rk:field name="MemberOf" label="Virtual Disks" type="list"/>
      <rk:field name="MediaType" label="Media"/>
      <rk:field name="BusProtocol" label="Bus Protocol" type="map" map="protocol"/>
      <rk:field name="Length" label="Capacity" type="size"/>
      <rk:field name="UsedLength" label="Used Space" type="size"/>
      <rk:field name="FreeLength" label="Available Space" type="size"/>
      <rk:field name="Vendor" label="Vendor"/>
      <rk:field name="ProductID" label="Product ID"/>
      <rk:field name="SerialNumber" label="Serial Number"/>
      <rk:field name="FirmwareVersion" label="Firmware Version"/>
      <rk:field name="NegotiatedSpeed" label="Negotiated Speed"/>
      <rk:field name="Blink" label="Blinking"/>
    </rk:kind>

    <rk:kind name="VirtualDisk" title="Virtual Disk" id="LogicalDriveNum">
      <rk:field name="LogicalDriveNum" label="ID"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="TaskStart" label="Task Started" type="time"/>
      <rk:field name="Layout" label="Layout" type="map" map="raid"/>
      <rk:field name="Length" label="Size" type="size"/>
      <rk:field name="Disks" label="Physical Disks" type="list"/>
      <rk:field name="SpanLength" label="Span Length"/>
      <rk:field name="StripeSize" label="Stripe Element Size" type="map" map="stripe"/>
      <rk:field name="ReadPolicy" label="Read Policy" type="map" map="readpolicy"/>
      <rk:field name="WritePolicy" label="Write Policy" type="map" map="writepolicy"/>
      <rk:field name="CachePolicy" label="Cache Policy" type="map" map="cachepolicy"/>
      <rk:field name="DiskCachePolicy" label="Disk Cache Policy" type="map" map="diskcache"/>
      <rk:field name="DeviceName" label="Device Name"/>
      <rk:field name="InUse" label="In Use"/>
      <rk:field name="Blink" label="Blinking"/>
      <rk:field name="ParentVDID" label="Parent Virtual Disk"/>
    </rk:kind>

    <rk:kind name="Battery" title="Battery" id="BatteryID">
      <rk:field name="BatteryID" label="ID"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="TaskStart" label="Task Started" type="time"/>
      <rk:field name="ChargeLevel" label="Charge" type="percent"/>
      <rk:field name="LearnState" label="Learn State"/>
      <rk:field name="NextLearnTime" label="Next Learn Cycle" type="time"/>
      <rk:field name="MaxLearnDelay" label="Maximum Learn Delay" type="hours"/>
    </rk:kind>

    <rk:kind name="Fan" title="Fan" id="Index">
      <rk:field name="Index" label="Index"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="Speed" label="Speed" type="rpm"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure Number"/>
    </rk:kind>

    <rk:kind name="PowerSupply" title="Power Supply" id="Index">
      <rk:field name="Index" label="Index"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="Wattage" label="Rated Power" type="watts"/>
      <rk:field name="FirmwareVersion" label="Firmware Version"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure Number"/>
    </rk:kind>

    <rk:kind name="EMM" title="EMM" id="Index">
      <rk:field name="Index" label="Index"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="PartNumber" label="Part Number"/>
      <rk:field name="FirmwareVersion" label="Firmware Version"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure Number"/>
    </rk:kind>

    <rk:kind name="TemperatureProbe" title="Temperature Probe" id="Index">
      <rk:field name="Index" label="Index"/>
      <rk:field name="Name" label="Name"/>
      <rk:field name="State" label="Status" type="state"/>
      <rk:field name="Reading" label="Reading" type="celsius"/>
      <rk:field name="MinWarning" label="Minimum Warning Threshold" type="celsius"/>
      <rk:field name="MaxWarning" label="Maximum Warning Threshold" type="celsius"/>
      <rk:field name="MinFailure" label="Minimum Failure Threshold" type="celsius"/>
      <rk:field name="MaxFailure" label="Maximum Failure Threshold" type="celsius"/>
      <rk:field name="LowEndMinWarning" with="HighEndMinWarning" label="Minimum Warning Settable Range" type="range"/>
      <rk:field name="LowEndMaxWarning" with="HighEndMaxWarning" label="Maximum Warning Settable Range" type="range"/>
      <rk:field name="GlobalNo" label="Controller"/>
      <rk:field name="Channel" label="Connector"/>
      <rk:field name="EnclosureID" label="Enclosure Number"/>
    </rk:kind>
  </rk:kinds>

  <!-- Labels of elements that any kind may carry beyond its own fields. -->
  <rk:labels>
    <rk:label name="ObjID">Object ID</rk:label>
    <rk:label name="GlobalNo">Controller</rk:label>
    <rk:label name="Channel">Connector</rk:label>
    <rk:label name="EnclosureID">Enclosure Number</rk:label>
    <rk:label name="TargetID">Target ID</rk:label>
    <rk:label name="LogicalDriveNum">Virtual Disk</rk:label>
    <rk:label name="BatteryID">Battery</rk:label>
    <rk:label name="Length">Size</rk:label>
    <rk:label name="Progress">Progress</rk:label>
    <rk:label name="Task">Task</rk:label>
  </rk:labels>

  <!-- Elements never shown as rows: the kind is the title. -->
  <rk:hidden>
    <rk:name>ObjType</rk:name>
    <rk:name>Task</rk:name>
    <rk:name>Progress</rk:name>
  </rk:hidden>

  <!-- Value tables: k is the value the agent sends (a bit for masks). -->
  <rk:maps>
    <rk:map name="raid">
      <rk:v k="1">Concatenated (c)</rk:v>
      <rk:v k="2">RAID-0 (r0)</rk:v>
      <rk:v k="4">RAID-1 (r1)</rk:v>
      <rk:v k="64">RAID-5 (r5)</rk:v>
      <rk:v k="128">RAID-6 (r6)</rk:v>
      <rk:v k="512">RAID-10 (r10)</rk:v>
      <rk:v k="2048">RAID-50 (r50)</rk:v>
      <rk:v k="4096">Concatenated RAID-1 (r1c)</rk:v>
      <rk:v k="262144">RAID-60 (r60)</rk:v>
    </rk:map>
    <rk:map name="stripe">
      <rk:v k="1">512 bytes (512b)</rk:v>
      <rk:v k="2">1 KB (1kb)</rk:v>
      <rk:v k="4">2 KB (2kb)</rk:v>
      <rk:v k="8">4 KB (4kb)</rk:v>
      <rk:v k="16">8 KB (8kb)</rk:v>
      <rk:v k="32">16 KB (16kb)</rk:v>
      <rk:v k="64">32 KB (32kb)</rk:v>
      <rk:v k="128">64 KB (64kb)</rk:v>
      <rk:v k="256">128 KB (128kb)</rk:v>
      <rk:v k="512">256 KB (256kb)</rk:v>
      <rk:v k="1024">512 KB (512kb)</rk:v>
      <rk:v k="2048">1 MB (1mb)</rk:v>
      <rk:v k="4096">2 MB (2mb)</rk:v>
      <rk:v k="8192">4 MB (4mb)</rk:v>
      <rk:v k="16384">8 MB (8mb)</rk:v>
      <rk:v k="32768">16 MB (16mb)</rk:v>
    </rk:map>
    <rk:map name="readpolicy">
      <rk:v k="1">Read Cache (rc)</rk:v>
      <rk:v k="2">No Read Cache (nrc)</rk:v>
      <rk:v k="4">Read Ahead (ra)</rk:v>
      <rk:v k="8">Adaptive Read Ahead (ara)</rk:v>
      <rk:v k="16">No Read Ahead (nra)</rk:v>
    </rk:map>
    <rk:map name="writepolicy">
      <rk:v k="1">Write Cache (wc)</rk:v>
      <rk:v k="2">No Write Cache (nwc)</rk:v>
      <rk:v k="4">Write Back (wb)</rk:v>
      <rk:v k="8">Write Through (wt)</rk:v>
      <rk:v k="16">Write Cache Enabled Protected (wea)</rk:v>
      <rk:v k="32">Force Write Back (fwb)</rk:v>
    </rk:map>
    <rk:map name="cachepolicy">
      <rk:v k="1">Direct I/O (d)</rk:v>
      <rk:v k="2">Cached I/O (c)</rk:v>
    </rk:map>
    <rk:map name="diskcache">
      <rk:v k="1">Enabled (enabled)</rk:v>
      <rk:v k="2">Disabled (disabled)</rk:v>
    </rk:map>
    <rk:map name="patrolmode">
      <rk:v k="1">Automatic (auto)</rk:v>
      <rk:v k="2">Manual (manual)</rk:v>
      <rk:v k="4">Disabled (disable)</rk:v>
    </rk:map>
    <rk:map name="protocol">
      <rk:v k="0">Unknown</rk:v>
      <rk:v k="1">SCSI</rk:v>
      <rk:v k="7">SATA</rk:v>
      <rk:v k="8">SAS</rk:v>
      <rk:v k="9">NVMe</rk:v>
      <rk:v k="10">virtio</rk:v>
    </rk:map>
  </rk:maps>

  <!-- ===================================================================
       The document
       ================================================================== -->
  <xsl:template match="/">
    <xsl:if test="string($rk.heading) != ''">
      <xsl:value-of select="concat($rk.heading, $rk.nl)"/>
      <xsl:if test="//DCStorageObject"><xsl:value-of select="$rk.nl"/></xsl:if>
    </xsl:if>
    <xsl:choose>
      <xsl:when test="//DCStorageObject">
        <xsl:for-each select="//DCStorageObject">
          <xsl:if test="position() &gt; 1"><xsl:value-of select="$rk.nl"/></xsl:if>
          <xsl:call-template name="rk:block"/>
        </xsl:for-each>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="concat($rk.empty, $rk.nl)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- Per kind, computed once: the widest label it can show, and the
       elements it names (its fields, the elements they read, and those never
       shown), as "|Kind=30|..." and "|Kind= Name State ... |...". -->
  <xsl:variable name="rk.onlyList" select="concat(' ', normalize-space($rk.only), ' ')"/>
  <xsl:variable name="rk.showAll" select="$rk.onlyList = '  '"/>
  <!-- Only the kinds the reply holds are measured: "|Controller|" for each
       distinct object type, "||" when some object has none (the sheet's
       default kind then applies). -->
  <xsl:key name="rk.byType" match="DCStorageObject" use="normalize-space(ObjType)"/>
  <xsl:variable name="rk.types">
    <xsl:text>|</xsl:text>
    <xsl:for-each select="//DCStorageObject[generate-id() = generate-id(key('rk.byType', normalize-space(ObjType))[1])]">
      <xsl:value-of select="concat(normalize-space(ObjType), '|')"/>
    </xsl:for-each>
  </xsl:variable>
  <xsl:variable name="rk.replyKinds"
      select="$rk.tables/rk:kinds/rk:kind[contains($rk.types, concat('|', @name, '|'))
                                          or (@name = $rk.kind and contains($rk.types, '||'))]"/>
  <xsl:variable name="rk.kindWidths">
    <xsl:for-each select="$rk.replyKinds">
      <xsl:value-of select="concat('|', @name, '=')"/>
      <xsl:for-each select="rk:field[not(@type = 'omit')][$rk.showAll or contains($rk.onlyList, concat(' ', @name, ' '))]">
        <xsl:sort select="string-length(@label)" data-type="number" order="descending"/>
        <xsl:if test="position() = 1"><xsl:value-of select="string-length(@label)"/></xsl:if>
      </xsl:for-each>
    </xsl:for-each>
    <xsl:text>|</xsl:text>
  </xsl:variable>
  <xsl:variable name="rk.kindNames">
    <xsl:variable name="hidden">
      <xsl:for-each select="$rk.tables/rk:hidden/rk:name"><xsl:value-of select="concat(., ' ')"/></xsl:for-each>
    </xsl:variable>
    <xsl:value-of select="concat('|= ', $hidden)"/>
    <xsl:for-each select="$rk.replyKinds">
      <xsl:value-of select="concat('|', @name, '= ', $hidden)"/>
      <xsl:for-each select="rk:field/@name | rk:field/@with"><xsl:value-of select="concat(., ' ')"/></xsl:for-each>
    </xsl:for-each>
    <xsl:text>|</xsl:text>
  </xsl:variable>

  <!-- One object: its title line and its rows, labels padded to one width:
       the longest label its kind can show (so every block of a kind lines
       up alike) or of the other elements it carries. -->
  <xsl:template name="rk:block">
    <xsl:variable name="type" select="normalize-space(ObjType)"/>
    <xsl:variable name="kind" select="$rk.tables/rk:kinds/rk:kind[@name = $type or ($type = '' and @name = $rk.kind)]"/>
    <xsl:variable name="kindName" select="string($kind/@name)"/>
    <xsl:variable name="known" select="substring-before(substring-after($rk.kindNames, concat('|', $kindName, '=')), '|')"/>
    <xsl:variable name="others"
        select="*[$rk.showAll and not(contains($known, concat(' ', name(), ' ')))
                  and not(substring(name(), string-length(name()) - 3) = 'Mask')]"/>
    <xsl:variable name="taskRow" select="$rk.showAll and normalize-space(Task) != '' and not($kind/rk:field[@type = 'state'])"/>
    <xsl:variable name="otherWidths">
      <xsl:for-each select="$others">
        <xsl:variable name="label"><xsl:call-template name="rk:label"/></xsl:variable>
        <xsl:value-of select="concat(string-length($label), ' ')"/>
      </xsl:for-each>
      <xsl:if test="$taskRow">4 </xsl:if>
    </xsl:variable>
    <xsl:variable name="width">
      <xsl:call-template name="rk:largest">
        <xsl:with-param name="numbers"
            select="concat(substring-before(substring-after($rk.kindWidths, concat('|', $kindName, '=')), '|'), ' ', $otherWidths)"/>
      </xsl:call-template>
    </xsl:variable>

    <xsl:call-template name="rk:title">
      <xsl:with-param name="kind" select="$kind"/>
    </xsl:call-template>
    <xsl:value-of select="$rk.nl"/>
    <xsl:variable name="object" select="."/>
    <xsl:variable name="w" select="number($width)"/>
    <!-- The fields, inline: a template call per row would cost more than the
         row itself on reports of thousands of objects. -->
    <xsl:for-each select="$kind/rk:field[not(@type = 'omit')][$rk.showAll or contains($rk.onlyList, concat(' ', @name, ' '))]">
      <xsl:variable name="field" select="."/>
      <!-- The element is found among the object's own children: a key over
           every element of every object would cost more memory than the
           whole reply on reports of thousands of objects, for no gain. -->
      <xsl:variable name="fieldName" select="string(@name)"/>
      <xsl:for-each select="$object">
        <xsl:variable name="element" select="*[name() = $fieldName]"/>
        <xsl:if test="normalize-space($element) != ''
                      or ($field/@type = 'state' and $element)
                      or ($field/@absent and not($element))
                      or ($field/@type = 'diskid' and TargetID)
                      or ($field/@type = 'enclosureid' and Channel)">
          <xsl:value-of select="concat('  ', $field/@label, substring($rk.spaces, 1, $w - string-length($field/@label)), ' : ')"/>
          <xsl:choose>
            <xsl:when test="not($field/@type) and not(contains($element, $rk.nl))"><xsl:value-of select="$element"/></xsl:when>
            <xsl:when test="$field/@type = 'diskid'"><xsl:call-template name="rk:disk-id"/></xsl:when>
            <xsl:when test="$field/@type = 'enclosureid'"><xsl:call-template name="rk:enclosure-id"/></xsl:when>
            <xsl:when test="not($element)"><xsl:value-of select="$field/@absent"/></xsl:when>
            <xsl:otherwise>
              <xsl:call-template name="rk:value">
                <xsl:with-param name="object" select="$object"/>
                <xsl:with-param name="field" select="$field"/>
                <xsl:with-param name="value" select="string($element)"/>
                <xsl:with-param name="width" select="$w"/>
              </xsl:call-template>
            </xsl:otherwise>
          </xsl:choose>
          <xsl:value-of select="$rk.nl"/>
        </xsl:if>
      </xsl:for-each>
    </xsl:for-each>
    <xsl:for-each select="$others">
      <xsl:variable name="label"><xsl:call-template name="rk:label"/></xsl:variable>
      <xsl:value-of select="concat('  ', $label, substring($rk.spaces, 1, $w - string-length($label)), ' : ')"/>
      <xsl:call-template name="rk:text">
        <xsl:with-param name="value" select="string(.)"/>
        <xsl:with-param name="width" select="$w"/>
      </xsl:call-template>
      <xsl:value-of select="$rk.nl"/>
    </xsl:for-each>
    <!-- A running task of an object whose kind has no status field. -->
    <xsl:if test="$taskRow">
      <xsl:value-of select="concat('  Task', substring($rk.spaces, 1, $w - 4), ' : ')"/>
      <xsl:call-template name="rk:task"/>
      <xsl:value-of select="$rk.nl"/>
    </xsl:if>
  </xsl:template>

  <!-- The label of an element that its kind does not list. -->
  <xsl:template name="rk:label">
    <xsl:variable name="known" select="$rk.tables/rk:labels/rk:label[@name = name(current())]"/>
    <xsl:choose>
      <xsl:when test="$known"><xsl:value-of select="$known"/></xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="rk:humanise"><xsl:with-param name="name" select="name()"/></xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The largest of blank-separated numbers (0 when none). -->
  <xsl:template name="rk:largest">
    <xsl:param name="numbers"/>
    <xsl:param name="largest" select="0"/>
    <xsl:variable name="rest" select="normalize-space($numbers)"/>
    <xsl:choose>
      <xsl:when test="$rest = ''"><xsl:value-of select="$largest"/></xsl:when>
      <xsl:otherwise>
        <xsl:variable name="first" select="number(substring-before(concat($rest, ' '), ' '))"/>
        <xsl:call-template name="rk:largest">
          <xsl:with-param name="numbers" select="substring-after($rest, ' ')"/>
          <xsl:with-param name="largest" select="($first &gt; $largest) * $first + not($first &gt; $largest) * $largest"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A text value; its continuation lines start under its first line. -->
  <xsl:template name="rk:text">
    <xsl:param name="value"/>
    <xsl:param name="width"/>
    <xsl:choose>
      <xsl:when test="contains($value, $rk.nl)">
        <xsl:call-template name="rk:replace">
          <xsl:with-param name="text" select="$value"/>
          <xsl:with-param name="from" select="$rk.nl"/>
          <xsl:with-param name="to" select="concat($rk.nl, '  ', substring($rk.spaces, 1, $width), '   ')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "Controller 0", "Physical Disk 0:0:3", "Enclosure 0:1". -->
  <xsl:template name="rk:title">
    <xsl:param name="kind"/>
    <xsl:variable name="id">
      <xsl:choose>
        <xsl:when test="$kind/@name = 'PhysicalDisk'"><xsl:call-template name="rk:disk-id"/></xsl:when>
        <xsl:when test="$kind/@name = 'Enclosure'"><xsl:call-template name="rk:enclosure-id"/></xsl:when>
        <xsl:when test="$kind/@id"><xsl:value-of select="*[name() = $kind/@id]"/></xsl:when>
      </xsl:choose>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="$kind">
        <xsl:value-of select="$kind/@title"/>
        <xsl:if test="normalize-space($id) != ''"><xsl:value-of select="concat(' ', $id)"/></xsl:if>
        <xsl:if test="$rk.severalControllers and $kind/@name != 'Controller' and normalize-space(GlobalNo) != ''">
          <xsl:value-of select="concat(' on Controller ', normalize-space(GlobalNo))"/>
        </xsl:if>
      </xsl:when>
      <xsl:when test="normalize-space(ObjType) != ''">
        <xsl:call-template name="rk:humanise"><xsl:with-param name="name" select="normalize-space(ObjType)"/></xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="concat('Object ', count(preceding-sibling::DCStorageObject) + 1)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A disk in an enclosure on a SAS connector is connector:enclosure:target,
       any other connector:target: the identifier users type. -->
  <xsl:template name="rk:disk-id">
    <xsl:variable name="mask" select="normalize-space(AttributesMask)"/>
    <xsl:variable name="inEnclosure"
        select="string-length($mask) &gt;= 11 and substring($mask, string-length($mask) - 10, 1) = '1'"/>
    <xsl:choose>
      <xsl:when test="normalize-space(BusProtocol) = '8' and $inEnclosure and normalize-space(EnclosureID) != ''">
        <xsl:value-of select="concat(Channel, ':', EnclosureID, ':', TargetID)"/>
      </xsl:when>
      <xsl:when test="TargetID"><xsl:value-of select="concat(Channel, ':', TargetID)"/></xsl:when>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="rk:enclosure-id">
    <xsl:choose>
      <xsl:when test="normalize-space(BusProtocol) = '8' and normalize-space(EnclosureID) != ''">
        <xsl:value-of select="concat(Channel, ':', EnclosureID)"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="Channel"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- ===================================================================
       Rows
       ================================================================== -->

  <!-- One value in human form. -->
  <xsl:template name="rk:value">
    <xsl:param name="object"/>
    <xsl:param name="field"/>
    <xsl:param name="value"/>
    <xsl:param name="width" select="0"/>
    <xsl:variable name="type" select="string($field/@type)"/>
    <xsl:variable name="v" select="normalize-space($value)"/>
    <xsl:choose>
      <xsl:when test="$v = '' and $type != 'hotspare' and $type != 'state'"><xsl:value-of select="$value"/></xsl:when>
      <xsl:when test="$type = 'size'">
        <xsl:call-template name="rk:size"><xsl:with-param name="bytes" select="$v"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'percent'">
        <xsl:call-template name="rk:unit"><xsl:with-param name="value" select="$v"/><xsl:with-param name="unit" select="'%'"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'hours'">
        <xsl:call-template name="rk:hours"><xsl:with-param name="value" select="$v"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'rpm'">
        <xsl:call-template name="rk:unit"><xsl:with-param name="value" select="$v"/><xsl:with-param name="unit" select="' RPM'"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'watts'">
        <xsl:call-template name="rk:unit"><xsl:with-param name="value" select="$v"/><xsl:with-param name="unit" select="' W'"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'celsius'">
        <xsl:call-template name="rk:unit"><xsl:with-param name="value" select="$v"/><xsl:with-param name="unit" select="' C'"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'range'">
        <xsl:variable name="high" select="normalize-space($object/*[name() = $field/@with])"/>
        <xsl:choose>
          <xsl:when test="$high != '' and number($v) = number($v) and number($high) = number($high)">
            <xsl:value-of select="concat($v, ' to ', $high, ' C')"/>
          </xsl:when>
          <xsl:when test="$high != ''"><xsl:value-of select="concat($v, ' to ', $high)"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="concat('from ', $v)"/></xsl:otherwise>
        </xsl:choose>
      </xsl:when>
      <xsl:when test="$type = 'time'">
        <xsl:call-template name="rk:time"><xsl:with-param name="value" select="$v"/></xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'map'">
        <xsl:call-template name="rk:mapped">
          <xsl:with-param name="map" select="$field/@map"/>
          <xsl:with-param name="value" select="$v"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'bits'">
        <xsl:call-template name="rk:bits">
          <xsl:with-param name="map" select="$field/@map"/>
          <xsl:with-param name="digits" select="$v"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'list'">
        <xsl:call-template name="rk:replace">
          <xsl:with-param name="text" select="$v"/>
          <xsl:with-param name="from" select="','"/>
          <xsl:with-param name="to" select="', '"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$type = 'hotspare'">
        <xsl:choose>
          <xsl:when test="$v = ''">No</xsl:when>
          <xsl:when test="translate($v, 'GLOBA', 'globa') = 'global'">Global hot spare</xsl:when>
          <xsl:otherwise><xsl:value-of select="concat('Dedicated to virtual disk ', $v)"/></xsl:otherwise>
        </xsl:choose>
      </xsl:when>
      <xsl:when test="$type = 'state'">
        <xsl:for-each select="$object"><xsl:call-template name="rk:state"><xsl:with-param name="value" select="$v"/></xsl:call-template></xsl:for-each>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="rk:text">
          <xsl:with-param name="value" select="$value"/>
          <xsl:with-param name="width" select="$width"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "Online", "Ready, Background Initialization 45%", "Rebuilding, 45%". -->
  <xsl:template name="rk:state">
    <xsl:param name="value"/>
    <xsl:variable name="task" select="normalize-space(Task)"/>
    <xsl:value-of select="$value"/>
    <xsl:if test="$task != ''">
      <xsl:if test="$value != ''"><xsl:text>, </xsl:text></xsl:if>
      <xsl:call-template name="rk:task"><xsl:with-param name="state" select="$value"/></xsl:call-template>
    </xsl:if>
    <xsl:if test="$value = '' and $task = ''">Unknown</xsl:if>
  </xsl:template>

  <!-- The running task and its progress; the task's name is left out when
       the state already says it ("Rebuilding, 45%"). -->
  <xsl:template name="rk:task">
    <xsl:param name="state" select="''"/>
    <!-- "Check Consistency (paused)": the remark follows the progress. -->
    <xsl:variable name="full" select="normalize-space(Task)"/>
    <xsl:variable name="task">
      <xsl:choose>
        <xsl:when test="contains($full, ' (')"><xsl:value-of select="substring-before($full, ' (')"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="$full"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="remark" select="substring($full, string-length($task) + 1)"/>
    <xsl:variable name="progress" select="normalize-space(Progress)"/>
    <xsl:variable name="stem" select="substring(translate($task, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'), 1, 5)"/>
    <xsl:variable name="said" select="string-length($stem) = 5 and
        starts-with(translate($state, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'), $stem)"/>
    <xsl:choose>
      <xsl:when test="$said and $progress != ''"><xsl:value-of select="concat($progress, '%')"/></xsl:when>
      <xsl:when test="$said">in progress</xsl:when>
      <xsl:when test="$progress != ''"><xsl:value-of select="concat($task, ' ', $progress, '%')"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="concat($task, ' in progress')"/></xsl:otherwise>
    </xsl:choose>
    <xsl:value-of select="$remark"/>
  </xsl:template>

  <!-- ===================================================================
       Value helpers
       ================================================================== -->

  <!-- "278.88 GB (299439751168 bytes)"; units of 1024. Each unit is its own
       branch: a variable holding the scaled text would be a result tree
       fragment built for every size of a listing. -->
  <xsl:template name="rk:size">
    <xsl:param name="bytes"/>
    <xsl:variable name="n" select="number($bytes)"/>
    <xsl:variable name="exact" select="concat(' (', $bytes, ' bytes)')"/>
    <xsl:choose>
      <xsl:when test="translate($bytes, '0123456789', '') != '' or $n != $n"><xsl:value-of select="$bytes"/></xsl:when>
      <xsl:when test="$n &lt; 1024"><xsl:value-of select="concat($bytes, ' bytes')"/></xsl:when>
      <xsl:when test="$n &gt;= 1125899906842624"><xsl:value-of select="concat(format-number($n div 1125899906842624, '0.00'), ' PB', $exact)"/></xsl:when>
      <xsl:when test="$n &gt;= 1099511627776"><xsl:value-of select="concat(format-number($n div 1099511627776, '0.00'), ' TB', $exact)"/></xsl:when>
      <xsl:when test="$n &gt;= 1073741824"><xsl:value-of select="concat(format-number($n div 1073741824, '0.00'), ' GB', $exact)"/></xsl:when>
      <xsl:when test="$n &gt;= 1048576"><xsl:value-of select="concat(format-number($n div 1048576, '0.00'), ' MB', $exact)"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="concat(format-number($n div 1024, '0.00'), ' KB', $exact)"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A number with its unit; anything else as it came. -->
  <xsl:template name="rk:unit">
    <xsl:param name="value"/>
    <xsl:param name="unit"/>
    <xsl:choose>
      <xsl:when test="number($value) = number($value)"><xsl:value-of select="concat($value, $unit)"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "168 hours (7 days)". -->
  <xsl:template name="rk:hours">
    <xsl:param name="value"/>
    <xsl:variable name="n" select="number($value)"/>
    <xsl:choose>
      <xsl:when test="$n != $n"><xsl:value-of select="$value"/></xsl:when>
      <xsl:when test="$n = 1">1 hour</xsl:when>
      <xsl:when test="$n &gt;= 24">
        <xsl:variable name="days" select="floor($n div 24)"/>
        <xsl:variable name="rest" select="$n - 24 * $days"/>
        <xsl:value-of select="concat($value, ' hours (', $days, ' day')"/>
        <xsl:if test="$days != 1">s</xsl:if>
        <xsl:if test="$rest != 0">
          <xsl:value-of select="concat(' ', $rest, ' hour')"/>
          <xsl:if test="$rest != 1">s</xsl:if>
        </xsl:if>
        <xsl:text>)</xsl:text>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="concat($value, ' hours')"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "2026-12-05T14:56:02Z" becomes "2026-12-05 14:56:02 UTC". -->
  <xsl:template name="rk:time">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="string-length($value) = 20 and substring($value, 11, 1) = 'T' and substring($value, 20, 1) = 'Z'">
        <xsl:value-of select="concat(substring($value, 1, 10), ' ', substring($value, 12, 8), ' UTC')"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The value tables by "map|value" (a key indexes the sheet's own
       document, once: a path through the tables would read every table
       for every mapped value of a listing). -->
  <xsl:key name="rk.mapEntry" match="rk:v" use="concat(../@name, '|', @k)"/>
  <xsl:template name="rk:mapped">
    <xsl:param name="map"/>
    <xsl:param name="value"/>
    <xsl:for-each select="$rk.tables">
      <xsl:variable name="entry" select="key('rk.mapEntry', concat($map, '|', $value))"/>
      <xsl:choose>
        <xsl:when test="$entry"><xsl:value-of select="$entry"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
      </xsl:choose>
    </xsl:for-each>
  </xsl:template>

  <!-- The names of the bits set in a binary-digit mask, lowest bit first,
       joined by ", "; "None" when no named bit is set. -->
  <xsl:template name="rk:bits">
    <xsl:param name="map"/>
    <xsl:param name="digits"/>
    <xsl:variable name="names">
      <xsl:call-template name="rk:bit-names">
        <xsl:with-param name="map" select="$map"/>
        <xsl:with-param name="digits" select="$digits"/>
        <xsl:with-param name="bit" select="1"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="translate($digits, '01', '') != ''"><xsl:value-of select="$digits"/></xsl:when>
      <xsl:when test="string($names) = ''">None</xsl:when>
      <xsl:otherwise><xsl:value-of select="substring(string($names), 3)"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- Walks the digits from the right; each named set bit adds ", name". -->
  <xsl:template name="rk:bit-names">
    <xsl:param name="map"/>
    <xsl:param name="digits"/>
    <xsl:param name="bit"/>
    <xsl:if test="string-length($digits) &gt; 0 and $bit &lt;= 2147483648">
      <xsl:if test="substring($digits, string-length($digits), 1) = '1'">
        <xsl:variable name="entry" select="$rk.tables/rk:maps/rk:map[@name = $map]/rk:v[@k = $bit]"/>
        <xsl:choose>
          <xsl:when test="contains($entry, ' (')"><xsl:value-of select="concat(', ', substring-before($entry, ' ('))"/></xsl:when>
          <xsl:when test="$entry"><xsl:value-of select="concat(', ', $entry)"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="concat(', bit ', $bit)"/></xsl:otherwise>
        </xsl:choose>
      </xsl:if>
      <xsl:call-template name="rk:bit-names">
        <xsl:with-param name="map" select="$map"/>
        <xsl:with-param name="digits" select="substring($digits, 1, string-length($digits) - 1)"/>
        <xsl:with-param name="bit" select="$bit * 2"/>
      </xsl:call-template>
    </xsl:if>
  </xsl:template>

  <!-- "MaxLearnDelay" becomes "Max Learn Delay", "BGIRate" "BGI Rate". -->
  <xsl:template name="rk:humanise">
    <xsl:param name="name"/>
    <xsl:param name="previous" select="''"/>
    <xsl:if test="$name != ''">
      <xsl:variable name="c" select="substring($name, 1, 1)"/>
      <xsl:variable name="next" select="substring($name, 2, 1)"/>
      <xsl:variable name="upper" select="'ABCDEFGHIJKLMNOPQRSTUVWXYZ'"/>
      <xsl:variable name="lower" select="'abcdefghijklmnopqrstuvwxyz0123456789'"/>
      <xsl:if test="$previous != '' and contains($upper, $c) and
                    (contains($lower, $previous) or (contains($upper, $previous) and $next != '' and contains($lower, $next)))">
        <xsl:text> </xsl:text>
      </xsl:if>
      <xsl:choose>
        <xsl:when test="$c = '_'"><xsl:text> </xsl:text></xsl:when>
        <xsl:otherwise><xsl:value-of select="$c"/></xsl:otherwise>
      </xsl:choose>
      <xsl:call-template name="rk:humanise">
        <xsl:with-param name="name" select="substring($name, 2)"/>
        <xsl:with-param name="previous" select="$c"/>
      </xsl:call-template>
    </xsl:if>
  </xsl:template>

  <xsl:template name="rk:replace">
    <xsl:param name="text"/>
    <xsl:param name="from"/>
    <xsl:param name="to"/>
    <xsl:choose>
      <xsl:when test="contains($text, $from)">
        <xsl:value-of select="concat(substring-before($text, $from), $to)"/>
        <xsl:call-template name="rk:replace">
          <xsl:with-param name="text" select="substring-after($text, $from)"/>
          <xsl:with-param name="from" select="$from"/>
          <xsl:with-param name="to" select="$to"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

</xsl:stylesheet>
