<?xml version="1.0" encoding="UTF-8"?>
<!-- Batteries (rkreport storage battery). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Battery'"/>
  <xsl:variable name="rk.empty" select="'No batteries found.'"/>
</xsl:stylesheet>
