<?xml version="1.0" encoding="UTF-8"?>
<!-- Versions (rkreport system version): the firmware and driver of every controller. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Controller'"/>
  <xsl:variable name="rk.empty" select="'No controllers found.'"/>
  <xsl:variable name="rk.heading" select="'Storage Controller Versions'"/>
  <xsl:variable name="rk.only" select="'GlobalNo Name FirmwareVersion DriverVersion'"/>
</xsl:stylesheet>
