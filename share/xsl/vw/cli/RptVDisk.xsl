<?xml version="1.0" encoding="UTF-8"?>
<!-- Virtual disks (rkreport storage vdisk). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'VirtualDisk'"/>
  <xsl:variable name="rk.empty" select="'No virtual disks found.'"/>
</xsl:stylesheet>
