<?xml version="1.0" encoding="UTF-8"?>
<!-- Connectors (rkreport storage connector). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Connector'"/>
  <xsl:variable name="rk.empty" select="'No connectors found.'"/>
</xsl:stylesheet>
