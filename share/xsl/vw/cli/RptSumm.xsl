<?xml version="1.0" encoding="UTF-8"?>
<!-- System summary (rkreport system summary): every object of the system in
     a short block, its title and the few values that say how it is. The
     detailed reports show the rest. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Enclosure'"/>
  <xsl:variable name="rk.empty" select="'No enclosures found.'"/>
  <xsl:variable name="rk.heading" select="'System Summary'"/>
  <xsl:variable name="rk.only" select="'Name State RollupStatus Attention Layout Length Disks Reading Speed Wattage ChargeLevel'"/>
</xsl:stylesheet>
