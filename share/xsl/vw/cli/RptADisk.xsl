<?xml version="1.0" encoding="UTF-8"?>
<!-- Array and physical disks (rkreport storage adisk, rkreport storage pdisk). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'PhysicalDisk'"/>
  <xsl:variable name="rk.empty" select="'No physical disks found.'"/>
</xsl:stylesheet>
